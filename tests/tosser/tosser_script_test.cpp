// The acceptance walk of the tosser import, as a sysop does it, compared with its expected output.
#include <gtest/gtest.h>

#include "support/fault_platform.h"
#include "support/script_harness.h"
#include "tosser_support.h"

namespace marlinth::test {
namespace {

TEST(TosserScript, SysopTakesTheTosserPathsIntoSetup) {
    auto native = make_native_platform();
    FaultPlatform platform(*native);
    platform.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
    platform.set_processes({});
    TempDir home;
    const std::string cfg = home / "QUARRO32.CFG";
    const std::string broken = home / "BROKEN.CFG";
    write_bytes(cfg,
                "; Harbour Light BBS\r\n"
                "CONFDIR " + home.path() + "/SF\r\n"
                "MSGDIR " + home.path() + "/MESSAGE\r\n"
                "WORKDIR " + home.path() + "/Q/WORK\r\n"
                "KEEPPROCESSED Y\r\n"
                "[LINK FidoHub]\r\nADDRESS 2:250/101\r\nHUB 2:250/0\r\nOUTDIR " + home.path() + "/Q/OUT\r\n"
                "PKTPW Kx4Tm9Qa\r\nNETMAILZONE 1-6\r\nNETMAILZONE 7\r\nAREA FSX_GEN\r\n"
                "[LINK OtherNet]\r\nADDRESS 21:1/101\r\nHUB 21:1/100\r\nOUTDIR " + home.path() + "/Q/OUT2\r\n"
                "NETMAILZONE 21-24\r\nAREA OTHER_CHAT\r\n");
    write_bytes(broken, "CONFDIR /elsewhere/SF\r\nMSGDIR /elsewhere/MESSAGE\r\nWORKDIR /elsewhere/WORK\r\n"
                        "ADDRESS 2:250/1@fidonet\r\n"
                        "HUB 2:250/0\r\nOUTDIR /elsewhere/OUT\r\nROUTE everything\r\n");

    const ScriptVars vars{{"HOME", home.path()}, {"CFG", cfg}, {"BROKEN", broken}};
    const ScriptResult result = run_script(platform, home.path(), load_script("tosser.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, golden("tosser.expected", result.output, vars));
}

}  // namespace
}  // namespace marlinth::test
