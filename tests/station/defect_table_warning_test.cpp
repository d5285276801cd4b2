// Putting a defect table: when the drive takes the file but its program then
// finds no defect table, the console gets the warning line and the operator
// "Put Def. Table Fail"; any other outcome prints nothing.
#include <fstream>

#include "station/engine_fixture.h"

namespace qx::test {
namespace {

TEST_F(EngineFixture, ADefectTableTheProgramCannotFindIsWarnedOnTheConsole) {
    struct Case {
        const char* name;
        const char* failing;   // the step that fails, none when empty
        const char* message;
        bool warned;
    };
    const Case cases[] = {
        {"the put and the program pass", "", "Put Def. Table O.K.", false},
        {"the program finds no table", "RunGdpType1", "Put Def. Table Fail", true},
        {"the put fails", "PutDefectTable", "Put Def. Table Fail", false},
    };
    const std::string table = dir_.file("table_d.txt");
    std::ofstream(table) << "table";
    Connect(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view_.controls = {};
        view_.controls.rdPageActive = true;
        view_.controls.putDefTable = true;
        view_.controls.tableOut = table;
        ops_.Reset();
        if (*c.failing) ops_.Fail(c.failing);
        prompter_.Clear();
        testing::internal::CaptureStdout();
        Press();
        const std::string console = testing::internal::GetCapturedStdout();
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(console, c.warned ? "\n<WARNING> Defect table doesn't exist\n" : "");
    }
}

}  // namespace
}  // namespace qx::test
