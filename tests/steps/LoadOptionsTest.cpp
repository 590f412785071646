#include <gtest/gtest.h>

#include "StepFixture.h"
#include "diagnostics/Globals.h"
#include "diagnostics/clsDebugLog.h"

namespace kiv {

namespace {

class LoadOptionsTest : public StepFixture {
protected:
    std::string dumped(const std::string& name) {
        gbDebugEnabled = true;
        {
            clsDebugLog log;
            log.LogFileName(dir.file(name + ".log"));
            log.WriteLog("start");
            step(name)->Dump(&log);
        }
        gbDebugEnabled = false;
        return TempDir::read(dir.file(name + ".log"));
    }
};

}  // namespace

TEST_F(LoadOptionsTest, TheKeysAreReadSubstitutedAndDumpedOnlyWhenGiven) {
    environment->Add("Mode", "merge");
    load(
        "[STEP 1]\nStepName=Plain\nStepType=dataload\n"
        "[STEP 2]\nStepName=Rerun\nStepType=dataload\nTargetLoadMode=$(Mode)\n"
        "TargetKeyColumns= Id , Day ,\nAllOrNothing=true\nRejectFile=rejects/$(Mode).csv\n"
        "MaxRejectedRows=25\n");
    const LoadOptions& plain = step("Plain")->Options();
    EXPECT_FALSE(plain.Used());
    EXPECT_EQ(plain.Mode(), LoadMode::Append);
    EXPECT_FALSE(plain.AllOrNothing());
    EXPECT_EQ(plain.MaxRejectedRows(), 0);
    EXPECT_TRUE(plain.Problems("f", "STEP 1").empty());
    EXPECT_EQ(dumped("Plain").find("Target Load Mode"), std::string::npos);

    const LoadOptions& rerun = step("Rerun")->Options();
    EXPECT_EQ(rerun.Mode(), LoadMode::Merge);
    EXPECT_EQ(rerun.KeyColumns(), (std::vector<std::string>{"Id", "Day"}));
    EXPECT_TRUE(rerun.AllOrNothing());
    EXPECT_EQ(rerun.RejectFile(), "rejects/merge.csv");
    EXPECT_EQ(rerun.MaxRejectedRows(), 25);
    EXPECT_TRUE(rerun.Problems("f", "STEP 2").empty());
    const std::string log = dumped("Rerun");
    EXPECT_NE(log.find("Column Mapping Section Name: '' -  Before Environment Substitutions: ''\r\n"
                       "Target Load Mode:   'merge' -  Before Environment Substitutions: "
                       "'$(Mode)'\r\n"
                       "Target Key Columns: 'Id , Day ,' -  Before Environment Substitutions: "
                       "'Id , Day ,'\r\n"
                       "All Or Nothing:     'true' -  Before Environment Substitutions: 'true'\r\n"
                       "Reject File:        'rejects/merge.csv' -  Before Environment "
                       "Substitutions: 'rejects/$(Mode).csv'\r\n"
                       "Max Rejected Rows:  '25' -  Before Environment Substitutions: '25'\r\n"),
              std::string::npos)
        << log;
    environment->Add("Mode", "Truncate");
    EXPECT_EQ(rerun.Mode(), LoadMode::Truncate);
}

TEST_F(LoadOptionsTest, ProblemsNameTheKeyAndTheValue) {
    load(
        "[STEP 1]\nStepName=A\nStepType=dataload\nTargetLoadMode=Merge\nMaxRejectedRows=3\n"
        "[STEP 2]\nStepName=B\nStepType=dataload\nTargetKeyColumns=Id\nMaxRejectedRows=1.5\n");
    std::vector<std::string> texts;
    for (const char* name : {"A", "B"}) {
        for (const SpecificationProblem& problem :
             step(name)->Options().Problems("spec.ini", std::string("STEP ") + name)) {
            texts.push_back(problem.Line());
        }
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "spec.ini: [STEP A] TargetKeyColumns: TargetLoadMode=Merge needs the "
                         "columns that identify a destination row, such as TargetKeyColumns=Id.",
                         "spec.ini: [STEP A] RejectFile: MaxRejectedRows=3 sets rows aside, but no "
                         "RejectFile says where to write them.",
                         "spec.ini: [STEP B] TargetKeyColumns: 'Id' is used only with "
                         "TargetLoadMode=Merge; the load mode is Append.",
                         "spec.ini: [STEP B] MaxRejectedRows: '1.5' is not a whole number from 0 "
                         "to 100000000."}));
}

}  // namespace kiv
