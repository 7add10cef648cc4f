// gaugehost panel-install over panel.cfg files of the shapes pilots have: each result passes the
// checker with the autopilot in every cockpit, a second install changes nothing, and uninstall
// gives the file back byte for byte.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "tools/gaugehost/panel/panel_install.h"

namespace {

const std::vector<module_gauge> our_gauges = {{"A_Pilot", 20, 20},    {"AP_Panel_1", 420, 250}, {"AP_YoySet", 158, 159},
                                              {"V_Contrl_key", 16, 34}, {"V_Lamp", 97, 52},       {"IN_4", 388, 139}};
const std::string module_name = "BRASK_TORVIK_V1_0";

std::string utf16_little(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) bytes += {c, '\0'};
    return bytes;
}

struct shape {
    const char* situation;
    std::string panel;
    std::vector<std::string> says;  // in what install says
};

const std::string bell = "[Window Titles]\nWindow00=Main Panel\nWindow01=GPS\n\n[Window00]\nsize_mm=1024,768\n"
                         "gauge00=Bell206!Airspeed, 10, 10\ngauge01=Bell206!Clock, 100, 10\n\n[Window01]\nident=10042\n"
                         "gauge00=GPS!GPS, 0, 0\n";
const std::string cockpit = "[VCockpit01]\nsize_mm=512,512\npixel_size=512,512\ntexture=$vc1\ngauge00=Bell206!Airspeed, 0, 0, 100, 100\n";

std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const shape shapes[] = {
    {"2D panel only", bell, {"window 'Autopilot' added as [Window02]", "A_Pilot added to the main panel, [Window00], as gauge02"}},
    {"2D panel and virtual cockpit, CRLF", crlf(bell + "\n" + cockpit + "\n[Default View]\nX=0\n"),
     {"A_Pilot added to the virtual cockpit, [VCockpit01], as gauge01"}},
    {"Notepad's Unicode, a title beyond ASCII", utf16_little("[Window Titles]\r\nWindow00=Main \xC3\x9C\r\n[Window00]\r\ngauge07=X!Y, 0, 0\r\n") ,
     {"A_Pilot added to the main panel, [Window00], as gauge08"}},
    {"a gap in the window numbers", "[Window Titles]\nWindow00=Main\nWindow01=Radio\nWindow03=GPS\n[Window00]\n[Window03]\ngauge00=GPS!GPS, 0, 0\n",
     {"window 'Autopilot' added as [Window02]", "window 'Autopilot Joystick Channels' added as [Window04]",
      "[Window03] ('GPS'), which the simulator skipped until now because of the gap"}},
    {"comments, odd letter case, no final line end",
     "// Bell 206\n[WINDOW TITLES]\nwindow00 = Main Panel\n; the radio\n[window00]\nGAUGE00=Bell206!Airspeed, 10, 10\n; ours after this\n"
     "[vcockpit01]\nsize_mm=512,512\npixel_size=512,512\nident=10042",
     {"window 'Autopilot' added as [Window01]", "as gauge00, so that the autopilot runs in either view"}},
};

void PrintTo(const shape& s, std::ostream* out)
{
    *out << s.situation;
}

class PanelInstall : public testing::TestWithParam<shape> {};

TEST_P(PanelInstall, WorksInEveryViewChangesNothingTwiceAndComesOutByteForByte)
{
    const shape& s = GetParam();
    const panel_edit installed = install_into_panel(s.panel, module_name, "A_Pilot");
    ASSERT_EQ(installed.result, panel_edit::outcome::changed);
    std::string said;
    for (const std::string& sentence : installed.said) said += sentence + "\n";
    for (const std::string& wanted : s.says) EXPECT_NE(said.find(wanted), std::string::npos) << wanted << "\nsaid:\n" << said;

    const std::vector<panel_finding> findings = check_panel(parse_panel_text(installed.bytes), module_name, our_gauges, "A_Pilot");
    for (const panel_finding& f : findings) ADD_FAILURE() << f.line << (f.note ? ": note: " : ": ") << f.text;
    EXPECT_EQ(installed.bytes.substr(0, 2), s.panel.substr(0, 2)) << "the encoding is kept";

    const panel_edit again = install_into_panel(installed.bytes, module_name, "A_Pilot");
    EXPECT_EQ(again.result, panel_edit::outcome::unchanged);
    ASSERT_FALSE(again.said.empty());
    EXPECT_NE(again.said[0].find("installed already"), std::string::npos);

    const panel_edit removed = uninstall_from_panel(installed.bytes, module_name, "A_Pilot");
    ASSERT_EQ(removed.result, panel_edit::outcome::changed);
    EXPECT_EQ(removed.bytes, s.panel);
}

INSTANTIATE_TEST_SUITE_P(PilotsPanels, PanelInstall, testing::ValuesIn(shapes), [](const testing::TestParamInfo<shape>& param) {
    std::string name;
    for (const char* c = param.param.situation; *c != '\0'; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name;
});

TEST(PanelInstall, RefusesWhatItCannotMergeAndWritesNothing)
{
    const struct {
        const char* situation;
        std::string panel;
        const char* says;
    } refused[] = {
        {"no window titles", "[Window00]\ngauge00=X!Y, 0, 0\n", "no [Window Titles]"},
        {"no main panel", "[Window Titles]\nWindow00=Main\n", "no [Window00]"},
        {"ours placed by hand", bell + "[Window02]\ngauge00=BRASK_TORVIK_V1_0!IN_4, 0, 0\n", "placed by hand already (line 14)"},
        {"Unicode cut short", utf16_little(bell) + "\n", "a UTF-16 file with an odd number of bytes"},
        {"a carriage return ending the file", bell + "[Default View]\r", "ends in a carriage return without a line feed"},
    };
    for (const auto& r : refused) {
        const panel_edit edit = install_into_panel(r.panel, module_name, "A_Pilot");
        EXPECT_EQ(edit.result, panel_edit::outcome::refused) << r.situation;
        ASSERT_FALSE(edit.said.empty()) << r.situation;
        EXPECT_NE(edit.said[0].find(r.says), std::string::npos) << r.situation << ": " << edit.said[0];
        EXPECT_TRUE(edit.bytes.empty()) << r.situation;
    }
    const panel_edit nothing = uninstall_from_panel(bell, module_name, "A_Pilot");
    EXPECT_EQ(nothing.result, panel_edit::outcome::unchanged);
}

}  // namespace
