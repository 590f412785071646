#include "package/clsKivSpecifications.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace kiv {

namespace {

std::vector<std::string> texts(const clsMessages& messages) {
    std::vector<std::string> result;
    for (const auto& message : messages) {
        result.push_back(message->Text());
    }
    return result;
}

}  // namespace

TEST(clsKivAdminSpecificationTest, VersionRules) {
    clsKivAdminSpecification admin;
    auto environment = std::make_shared<clsEnvironmentVariables>();
    environment->Add("Ver", "1.0.0");
    admin.Environment(environment);
    admin.PackageName("P");
    admin.KivSpecFileType(ksftPackageSpecification);
    const std::string newer = "Kiv Spec Version is newer than maximum version: 1.0.0";
    const std::string prior = "Kiv Spec Version is prior to minimum version: 1.0.0";
    admin.FormatVersion("1.0");
    EXPECT_TRUE(admin.IsValid());
    admin.FormatVersion(" 1 . 0 . 0 ");
    EXPECT_TRUE(admin.IsValid());
    admin.FormatVersion("1.1");
    EXPECT_EQ(texts(*admin.ErrorMessages()), (std::vector<std::string>{newer}));
    admin.FormatVersion("1.0.0.1.2");
    EXPECT_EQ(texts(*admin.ErrorMessages()), (std::vector<std::string>{newer, newer}));
    admin.FormatVersion("0.5");
    EXPECT_EQ(texts(*admin.ErrorMessages()), (std::vector<std::string>{prior, newer}));
    admin.FormatVersion("$(Ver)");
    EXPECT_TRUE(admin.IsValid());
    admin.FormatVersion("1.x");
    EXPECT_EQ(texts(*admin.ErrorMessages()),
              (std::vector<std::string>{"Kiv Spec Version '1.x' is not a version number."}));
    admin.PackageName("");
    EXPECT_EQ(texts(*admin.ErrorMessages()).back(), "Package Name was not specified.");
}

TEST(clsKivSpecificationTest, StepsUpToTheFirstGapAndDuplicatePackages) {
    TempDir dir;
    const std::string admin = "[Administration]\nFileType=  KIV package SPECIFICATION \nFormatVersion=1.0\n";
    dir.write("a.ini", admin + "PackageName=Pack\n[STEP 1]\nStepName=One\n[Step 2]\nStepName=Two\n"
                               "[STEP 4]\nStepName=Four\n");
    dir.write("b.ini", admin + "PackageName=PACK\n[STEP 1]\nStepName=Other\n");
    dir.write("c.ini", "[STEP 1]\nStepName=A\n[STEP 2]\nStepName=--- Not Found ---\n[STEP 3]\nStepName=C\n");
    clsKivSpecifications specifications;
    const auto first = specifications.Add(dir.file("a.ini"), nullptr);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->IsValid());
    EXPECT_EQ(first->ErrorMessages(), nullptr);
    EXPECT_EQ(first->Steps()->Count(), 2);
    EXPECT_EQ(specifications.Add(dir.file("b.ini"), nullptr), nullptr);
    const auto third = specifications.Add(dir.file("c.ini"), nullptr);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->Steps()->Count(), 1);
    EXPECT_FALSE(third->IsValid());
    EXPECT_EQ(third->PackageName(), "<<Not Found>>");
    EXPECT_EQ(texts(*third->ErrorMessages()).front(), "Kiv File Type is not recognized.");
    EXPECT_EQ(specifications.Count(), 2);
    EXPECT_EQ(specifications.Item("pack"), first);
}

}  // namespace kiv
