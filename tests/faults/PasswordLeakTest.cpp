#include "../e2e/RunFixture.h"
#include "connections/PasswordMask.h"

namespace {

const std::string kSecret = "Sekr1tPass";

}  // namespace

TEST(PasswordLeakTest, BothKeysOfAConnectStringPasswordAreMasked) {
    EXPECT_EQ(kiv::MaskConnectStringPassword("Database=x.db;PWD=" + kSecret + ";"),
              "Database=x.db;PWD=********;");
    EXPECT_EQ(kiv::MaskConnectStringPassword("Server=s; Password = " + kSecret + ";User=u"),
              "Server=s; Password =********;User=u");
    EXPECT_EQ(kiv::MaskConnectStringPassword("password={" + kSecret + ";x}"),
              "password={********}");
}

using PasswordLeakRunTest = RunFixture;

// A password written inside the database setting, as written and through a variable, shows
// nowhere: not in the terminal output, the report or the debug log.
TEST_F(PasswordLeakRunTest, APasswordInsideAConnectStringReachesNoOutput) {
    sql("out.db", "CREATE TABLE t (x INTEGER);");
    package("spec.ini", "Secret",
            "[STEP 1]\r\nStepName=Count\r\nStepType=count records\r\nTargetConnection=Out\r\n"
            "TargetTableName=t\r\n"
            "[STEP 2]\r\nStepName=Again\r\nStepType=custom sql\r\nTargetConnection=Lost\r\n"
            "SQLStatement=SELECT 1\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\n"
            "Database=$(INIPath)/out.db;PWD=" +
                kSecret +
                ";\r\n"
                "[Data Connection - Lost]\r\nDatabaseType=SQLServer\r\nServer=127.0.0.1:1\r\n"
                "Database=Db;Password=$(Secret);\r\n");
    const auto outcome =
        kivrun("-run -report report.txt -debugfile debug.txt -e Secret=" + kSecret + " spec.ini");
    const std::string debug = TempDir::read(dir.file("debug.txt"));
    ASSERT_NE(debug.find("Database Name:"), std::string::npos);
    for (const auto& [name, text] :
         {std::pair{"stdout", outcome.out}, std::pair{"stderr", outcome.err},
          std::pair{"report", TempDir::read(dir.file("report.txt"))},
          std::pair{"debug log", debug}}) {
        const auto leak = text.find(kSecret);
        EXPECT_EQ(leak, std::string::npos)
            << name << ": " << text.substr(leak < 200 ? 0 : leak - 200, 300);
    }
}
