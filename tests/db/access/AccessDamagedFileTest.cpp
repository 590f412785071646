#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "db/access/AccessSamples.h"
#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {
namespace {

// mdbtools reads Access files in a reader process: whatever a damaged file does to it, the
// program gets an error naming the file.
class AccessDamagedFile : public FileSourceFixture {
protected:
    // A copy of a sample file cut to `perMille` of its bytes.
    std::string cutCopy(const std::string& file, std::size_t perMille) {
        const std::string bytes = TempDir::read(accessSamples() + "/" + file);
        return folder_.write("cut-" + file, bytes.substr(0, bytes.size() * perMille / 1000));
    }

    // A copy of a sample file with one byte changed.
    std::string changedCopy(const std::string& file, std::size_t offset, char byte) {
        std::string bytes = TempDir::read(accessSamples() + "/" + file);
        bytes.at(offset) = byte;
        return folder_.write("changed-" + file, bytes);
    }

    // The processes this test has started: the reader processes of its connections.
    static std::vector<pid_t> children() {
        const std::string list = "/proc/self/task/" + std::to_string(::getpid()) + "/children";
        std::ifstream in(list);
        std::vector<pid_t> found;
        for (pid_t child = 0; in >> child;) {
            found.push_back(child);
        }
        return found;
    }
};

TEST_F(AccessDamagedFile, AReaderThatAbortsFailsTheConnectionAndTheNextOneAtOnce) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the reader has no limit on its memory under AddressSanitizer";
#endif
    KIV_NEED_ACCESS_SAMPLE("ASampleDatabase.accdb");
    // mdbtools asks for ever more memory reading the properties of this cut file, and glib
    // aborts when it is refused.
    const std::string file = cutCopy("ASampleDatabase.accdb", 990);
    const std::string connectString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
    const Error error = errorOf([&] { open(connectString); });
    EXPECT_TRUE(error.Description().starts_with(
        "[Kiv][Access]Cannot read the Access database '" + file +
        "': the file is damaged or not supported: the reader ended with signal 6 after "))
        << error.Description();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { open(connectString); }).Description(), error.Description());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A changed byte in a column's name makes it the same as another's.
TEST_F(AccessDamagedFile, ATableThatCannotBeMadeFailsTheConnectionNamingTheFile) {
    KIV_NEED_ACCESS_SAMPLE("DateTestDatabase.mdb");
    const std::string file = changedCopy("DateTestDatabase.mdb", 73978, '\x82');
    const Error error =
        errorOf([&] { open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file); });
    EXPECT_EQ(error.Description(), "[Kiv][Access]Cannot read the Access database '" + file +
                                       "': the table DateTest cannot be made: duplicate column "
                                       "name: .");
}

// The batches already received are read; the next fails the statement, and every statement
// after it fails the same way.
TEST_F(AccessDamagedFile, AReaderThatEndsWhileRowsAreReadFailsTheStatementNamingTableAndFile) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    const std::shared_ptr<Recordset> orders = query("SELECT * FROM Orders");
    ASSERT_FALSE(orders->EOF());
    const std::vector<pid_t> readers = children();
    ASSERT_EQ(readers.size(), 1U);
    ::kill(readers.front(), SIGKILL);
    const std::string failure =
        "[Kiv][Access]Cannot read the table Orders of the Access database '" + accessSamples() +
        "/nwind.mdb': the file is damaged or not "
        "supported: the reader ended with signal 9 after ";
    std::size_t read = 1;
    const Error error = errorOf([&] {
        for (; !orders->EOF(); orders->MoveNext()) {
            ++read;
        }
    });
    EXPECT_TRUE(error.Description().starts_with(failure)) << error.Description();
    EXPECT_GT(read, 100U);
    EXPECT_LT(read, 830U);
    const Error next = errorOf([&] { rows("SELECT COUNT(*) FROM Customers"); });
    EXPECT_NE(next.Description().find("the reader ended with signal 9 after "), std::string::npos)
        << next.Description();
}

}  // namespace
}  // namespace kiv::db::testing
