// The tosser import through the whole program (headless), compared with its transcript. That the
// packet passwords are forgotten and the file is only read is proven on the parser itself.
#include <gtest/gtest.h>

#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth::test {
namespace {

TEST(TosserScript, SysopTakesTheTosserPathsIntoSetup) {
    auto native = make_native_platform();
    FaultPlatform platform(*native);
    platform.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
    platform.set_processes({});
    TempDir home;
    const std::string cfg = home / "QUARRO32.CFG", broken = home / "BROKEN.CFG", h = home.path();
    FixtureBuilder fb(*native);
    fb.write_text(cfg, "; Harbour Light BBS\r\nCONFDIR " + h + "/SF\r\nMSGDIR " + h + "/MESSAGE\r\nWORKDIR " + h +
                       "/Q/WORK\r\nKEEPPROCESSED Y\r\n[LINK FidoHub]\r\nADDRESS 2:250/101\r\nHUB 2:250/0\r\nOUTDIR " +
                       h + "/Q/OUT\r\nPKTPW Kx4Tm9Qa\r\nNETMAILZONE 1-6\r\nNETMAILZONE 7\r\nAREA FSX_GEN\r\n"
                       "[LINK OtherNet]\r\nADDRESS 21:1/101\r\nHUB 21:1/100\r\nOUTDIR " + h +
                       "/Q/OUT2\r\nNETMAILZONE 21-24\r\nAREA OTHER_CHAT\r\n");
    fb.write_text(broken, "CONFDIR /elsewhere/SF\r\nMSGDIR /elsewhere/MESSAGE\r\nWORKDIR /elsewhere/WORK\r\n"
                          "ADDRESS 2:250/1@fidonet\r\nHUB 2:250/0\r\nOUTDIR /elsewhere/OUT\r\nROUTE everything\r\n");
    const ScriptVars vars{{"HOME", h}, {"CFG", cfg}, {"BROKEN", broken}};
    const ScriptResult result = run_script(platform, h, load_script("tosser.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, golden("tosser.expected", result.output, vars));
}

}  // namespace
}  // namespace marlinth::test
