// gaugehost panel-check on panel files as pilots write them: each planted fault is found on its
// line, in words that name it; a panel with nothing wrong gives nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "tools/gaugehost/panel/panel_check.h"

namespace {

// The module's gauges with the sizes of their pictures in pixels, as the pilot's guide gives them.
const std::vector<module_gauge> our_gauges = {{"A_Pilot", 20, 20},    {"AP_Panel_1", 420, 250}, {"AP_YoySet", 158, 159},
                                              {"V_Contrl_key", 16, 34}, {"V_Lamp", 97, 52},       {"IN_4", 388, 139}};

const std::string titles = "[Window Titles]\nWindow00=Main Panel\nWindow01=Autopilot\n";
const std::string main_panel = "[Window00]\ngauge00=Bell206!Airspeed, 10, 10\ngauge01=BRASK_TORVIK_V1_0!A_Pilot, 4, 4, 20, 20\n";

std::vector<panel_finding> check(const std::string& text)
{
    return check_panel(parse_panel_text(text), "BRASK_TORVIK_V1_0", our_gauges, "A_Pilot");
}

struct planted {
    const char* situation;
    std::string panel;
    int line;
    const char* says;
    bool note = false;  // advice only: the panel works as it stands
};

const planted faults[] = {
    {"a misspelt gauge name", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!AP_Panel1, 0, 0, 420, 250\n", 8,
     "no gauge 'AP_Panel1' in BRASK_TORVIK_V1_0: it is AP_Panel_1"},
    {"a gauge name in the wrong letter case", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!in_4, 0, 0, 388, 139\n",
     8, "it is IN_4, letter for letter"},
    {"the module named without its version", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK!V_Lamp, 0, 0, 97, 52\n", 8,
     "the module is named 'BRASK_TORVIK': it is BRASK_TORVIK_V1_0"},
    {"no A_Pilot anywhere", titles + "[Window00]\ngauge00=Bell206!Airspeed, 10, 10\n", 0, "A_Pilot is on no window"},
    {"A_Pilot on a window without a title", "[Window Titles]\nWindow00=Main Panel\n[Window00]\ngauge00=Bell206!Airspeed, 1, 1\n"
                                            "[Window01]\ngauge00=BRASK_TORVIK_V1_0!A_Pilot, 4, 4, 20, 20\n",
     5, "[Window01] has no title in [Window Titles]"},
    {"A_Pilot after a gap in the window numbers",
     "[Window Titles]\nWindow00=Main Panel\nWindow02=Autopilot\n[Window02]\ngauge00=BRASK_TORVIK_V1_0!A_Pilot, 4, 4, 20, 20\n", 4,
     "follows a gap in the window numbers"},
    {"A_Pilot on a window that starts closed", titles + "[Window00]\n[Window01]\nvisible=0\ngauge00=BRASK_TORVIK_V1_0!A_Pilot, 4, 4\n",
     7, "starts closed (visible=0)"},
    {"A_Pilot twice in the 2D panel", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!A_Pilot, 4, 4, 20, 20\n", 8,
     "A_Pilot is placed 2 times in the 2D panel (lines 6, 8): one there is enough", true},
    {"A_Pilot in the 2D panel only, with a virtual cockpit", titles + main_panel + "[VCockpit01]\ngauge00=Bell206!Clock, 0, 0\n", 6,
     "A_Pilot is in the 2D panel but not in the virtual cockpit: the autopilot stops while you fly from the virtual cockpit; "
     "add BRASK_TORVIK_V1_0!A_Pilot to [VCockpit01] too", true},
    {"A_Pilot in the virtual cockpit only", titles + "[Window00]\ngauge00=Bell206!Airspeed, 10, 10\n"
                                            "[VCockpit01]\ngauge00=BRASK_TORVIK_V1_0!A_Pilot, 0, 0, 20, 20\n",
     7, "add BRASK_TORVIK_V1_0!A_Pilot to [Window00] too", true},
    {"a gauge number used twice in a window",
     titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!IN_4, 0, 0, 388, 139\ngauge00=BRASK_TORVIK_V1_0!V_Lamp, 0, 140, 97, 52\n",
     9, "gauge00 a second time in [Window01]: the simulator reads only line 8, so V_Lamp here is never shown"},
    {"a gauge stretched out of proportion", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!AP_Panel_1, 0, 0, 420, 300\n",
     8, "AP_Panel_1 drawn 420 x 300, its picture is 420 x 250: stretched 1.20 times taller than it is; give it 420 x 250"},
    {"a gauge line without a position", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!V_Lamp\n", 8, "no position"},
    {"our gauges in a second section of one name",
     titles + main_panel + "[Window01]\ngauge00=Bell206!Clock, 0, 0\n[WINDOW01]\ngauge01=BRASK_TORVIK_V1_0!IN_4, 0, 0, 388, 139\n", 9,
     "[WINDOW01] a second time: the simulator reads only the first, at line 7, so the 1 line here is never read, 1 gauge of "
     "BRASK_TORVIK_V1_0 among them; merge it into the first [WINDOW01]"},
    {"the example pasted below a panel's own sections", titles + main_panel + "[Window Titles]\nWindow01=Autopilot\n", 7,
     "[Window Titles] a second time: the simulator reads only the first, at line 1, so the 1 line here is never read; merge"},
    {"a second section of the aircraft's own", titles + main_panel + "[Window01]\nsize_mm=10,10\n[Window01]\nvisible=0\n", 9,
     "[Window01] a second time", true},
    {"a comma left out after the gauge's name", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!V_Lamp 16, 396, 97, 52\n",
     8, "gauge00: a comma missing between 'V_Lamp' and '16': write V_Lamp, 16"},
    {"a comma left out in the size", titles + main_panel + "[Window01]\ngauge00=BRASK_TORVIK_V1_0!V_Lamp, 16, 396, 97 52\n", 8,
     "a comma missing between '97' and '52'"},
    {"a stretched gauge in a window too small for its picture",
     titles + main_panel + "[Window01]\nsize_mm=158,100\ngauge00=BRASK_TORVIK_V1_0!AP_YoySet, 0, 0, 158, 100\n", 9,
     "give it 99 x 100 (which fits in [Window01] from 0, 0)"},
    {"a gauge reaching past its window", titles + main_panel + "[Window01]\nsize_mm=100,100\ngauge00=BRASK_TORVIK_V1_0!V_Lamp, 50, 0, 97, 52\n",
     9, "V_Lamp at 50, 0 drawn 97 x 52 reaches past the right edge of [Window01] (size_mm 100,100)", true},
    {"saved by Notepad as UTF-8, a section on the first line", "\xEF\xBB\xBF" + titles + main_panel, 1,
     "saved as UTF-8 with a byte-order mark, which Windows' profile functions do not know"},
    {"saved as UTF-8, a comment on the first line", "\xEF\xBB\xBF; Bell 206\n" + titles + main_panel, 1,
     "save the file as ANSI", true},
};

void PrintTo(const planted& p, std::ostream* out)
{
    *out << p.situation;
}

class PanelCheck : public testing::TestWithParam<planted> {};

TEST_P(PanelCheck, FindsThePlantedFaultOnItsLine)
{
    const std::vector<panel_finding> findings = check(GetParam().panel);
    std::string all;
    for (const panel_finding& f : findings) all += std::to_string(f.line) + (f.note ? ": note: " : ": ") + f.text + "\n";
    bool found = false;
    for (const panel_finding& f : findings)
        found = found || (f.line == GetParam().line && f.text.find(GetParam().says) != std::string::npos && f.note == GetParam().note);
    EXPECT_TRUE(found) << "wanted line " << GetParam().line << (GetParam().note ? " (a note): " : ": ") << GetParam().says
                       << "\nfound:\n" << all;
    EXPECT_EQ(panel_has_problems(findings), !GetParam().note) << all;
}

INSTANTIATE_TEST_SUITE_P(PilotsPanels, PanelCheck, testing::ValuesIn(faults),
                         [](const testing::TestParamInfo<planted>& param) {
                             std::string name;
                             for (const char* c = param.param.situation; *c != '\0'; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             return name;
                         });

// Written as pilots write them: UTF-16 from Notepad, mixed letter case, comments, blanks, a gauge
// without a size, a 2D panel and a virtual cockpit both holding our gauges, A_Pilot in each.
TEST(PanelCheck, ASoundTwoDimensionalAndVirtualCockpitPanelHasNothingWrong)
{
    const std::string text = "// Bell 206 panel\r\n[WINDOW TITLES]\r\nwindow00=Main Panel\r\nWINDOW01 = Autopilot\r\n\r\n"
                             "[window00]\r\nsize_mm=1024,768\r\ngauge00=Bell206!Airspeed, 10, 10\r\n"
                             "gauge01=BRASK_TORVIK_V1_0!A_Pilot, 4, 4\r\n[Window01]\r\nsize_mm = 420,450\r\n"
                             "gauge00=BRASK_TORVIK_V1_0!AP_Panel_1,0,0,420,250\r\n"
                             "[VCockpit01]\r\nsize_mm=512,512\r\npixel_size=512,512\r\ntexture=$vc1\r\n"
                             "gauge00=BRASK_TORVIK_V1_0!IN_4, 0, 0, 194, 70\r\ngauge01=BRASK_TORVIK_V1_0!V_Lamp, 0, 80, 97\r\n"
                             "gauge02=BRASK_TORVIK_V1_0!A_Pilot, 0, 140\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) utf16 += std::string{c, '\0'};
    const panel_layout panel = parse_panel_text(utf16);
    ASSERT_EQ(panel.windows.size(), 3u);
    EXPECT_TRUE(panel.windows[2].virtual_cockpit && panel.windows[2].created);
    EXPECT_EQ(panel.windows[2].gauges[1].width, 97);
    EXPECT_FALSE(panel.windows[2].gauges[1].height.has_value());
    const std::vector<panel_finding> findings = check_panel(panel, "BRASK_TORVIK_V1_0", our_gauges, "A_Pilot");
    for (const panel_finding& f : findings) ADD_FAILURE() << f.line << ": " << f.text;
}

TEST(PanelCheck, AFileWithNulBytesAndNoMarkIsNotText)
{
    EXPECT_THROW(parse_panel_text(std::string("[Window Titles]\0\n", 18)), panel_file_error);
}

}  // namespace
