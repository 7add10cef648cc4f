// The gauge renderer: each element kind drawn where and as the host draws it. The module's gauges
// are checked on small crops and single pixels against their bitmaps; the rules themselves
// (transparency, icon choice, rounding, turning, masking) on small hand-made gauges.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>

#include "flight_fixture.h"
#include "gauges/gauge_records.h"
#include "tools/gaugehost/render/renderer.h"

namespace {

constexpr rgb black{0, 0, 0};

// Where the non-black pixels of picture, placed with its top-left at (left, top), differ from
// the canvas; empty when the picture is drawn there in full. Pixels where the non-black pixels
// of cover (drawn later at the same place) lie are not compared.
std::string misses(const rgb_image& canvas, const rgb_image& picture, int left, int top,
                   const rgb_image* cover = nullptr)
{
    int missing = 0;
    std::string first;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            if (picture.at(x, y) == black || !canvas.contains(left + x, top + y)) continue;
            if (cover != nullptr && !(cover->at(x, y) == black)) continue;
            if (canvas.at(left + x, top + y) == picture.at(x, y)) continue;
            if (missing++ == 0) first = "(" + std::to_string(left + x) + "," + std::to_string(top + y) + ")";
        }
    return missing == 0 ? "" : std::to_string(missing) + " pixels differ, first at " + first;
}

bool same_crop(const rgb_image& a, const rgb_image& b, int left, int top, int width, int height)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            if (!(a.at(x, y) == b.at(x, y))) return false;
    return true;
}

bool bright(rgb pixel)
{
    return pixel.r > 200 && pixel.g > 200 && pixel.b > 200;
}

// The module's gauges, drawn with the repository's bitmaps and the text font.
class GaugePicture : public FlightTest {
protected:
    rgb_image draw(const char* gauge) { return render_gauge(host.find_gauge(gauge), bitmaps, font.get()); }

    const rgb_image& bitmap(uint32_t id)
    {
        const rgb_image* found = bitmaps.find(id);
        if (found == nullptr) throw std::runtime_error("no bitmap " + std::to_string(id) + " in " + default_bitmap_folder());
        return *found;
    }

    bitmap_files bitmaps{default_bitmap_folder()};
    std::unique_ptr<text_font> font = text_font::load(default_font_path());
};

TEST_F(GaugePicture, EachLampLightsOnItsOwnLampOnlyWhileItsSwitchIsOn)
{
    struct lamp {
        const char* name;
        int32_t autopilot_modes::*switch_on;
        int x;
    };
    const lamp lamps[] = {{"heading", &autopilot_modes::heading_channel_active, 27},
                          {"engage", &autopilot_modes::ap_master_on, 137},
                          {"height", &autopilot_modes::height_channel_on, 247},
                          {"height source", &autopilot_modes::height_source_select, 357}};
    constexpr int lamp_top = 37, lamp_size = 37;
    const rgb_image all_dark = draw("AP_Panel_1");
    const rgb_image& lit = bitmap(4736);
    const rgb_image& panel = bitmap(4720);
    for (const lamp& on : lamps) {
        SCOPED_TRACE(on.name);
        ap = autopilot_state{};
        ap.modes.*on.switch_on = 1;
        const rgb_image picture = draw("AP_Panel_1");
        EXPECT_EQ(misses(picture, lit, on.x, lamp_top), "");
        const rgb centre = picture.at(on.x + 18, lamp_top + 18);
        EXPECT_GT(centre.g, centre.r + 60) << "a lit lamp is green";
        for (const lamp& other : lamps)
            if (other.x != on.x) {
                EXPECT_TRUE(same_crop(picture, all_dark, other.x, lamp_top, lamp_size, lamp_size)) << other.name;
            }

        ap.modes.*on.switch_on = 0;
        EXPECT_TRUE(same_crop(draw("AP_Panel_1"), panel, on.x, lamp_top, lamp_size, lamp_size))
            << "an unlit lamp shows the panel's own lamp";
    }
}

TEST_F(GaugePicture, MarkersMoveFromTheirRestPlaceByValueTimesScale)
{
    struct marker_case {
        const char* what;
        std::function<void()> set;
        int rest_x, rest_y, dx, dy;
    };
    const marker_case cases[] = {
        {"axis 1 at 0", [] { joy.axis_table[1] = 0; }, 7, 54, 0, 0},
        {"axis 1 at full travel", [] { joy.axis_table[1] = 65535; }, 7, 54, 0, -50},
        {"axis 8 at mid travel", [] { joy.axis_table[8] = 32768; }, 147, 54, 0, -25},
        {"stick across and down", [] { ap.samples.control_313 = 16384, ap.samples.control_317 = -16384; }, 32, 99, 21, -21},
        {"pedals", [] { ap.samples.control_316 = -8000; }, 32, 127, -10, 0},
        {"collective rises", [] { ap.samples.collective_position = 10000; }, 3, 124, 0, -26},
    };
    const rgb_image& dot = bitmap(4693);
    const rgb_image& panel = bitmap(4688);
    for (const marker_case& c : cases) {
        SCOPED_TRACE(c.what);
        ap = autopilot_state{};
        joy = joystick_state{};
        c.set();
        const rgb_image picture = draw("AP_YoySet");
        EXPECT_EQ(misses(picture, dot, c.rest_x + c.dx, c.rest_y + c.dy), "");
        if (c.dx != 0 || c.dy != 0) {
            EXPECT_TRUE(same_crop(picture, panel, c.rest_x, c.rest_y, dot.width, dot.height))
                << "the rest place shows the bare panel";
        }
    }
}

TEST_F(GaugePicture, TrimDialCardShowsOnlyThroughItsWindowAndTurnsClockwise)
{
    struct dial {
        const char* name;
        double pilot_input::*trim;
        int left;
    };
    const dial dials[] = {{"heading", &pilot_input::heading_trim, 0},
                          {"roll", &pilot_input::roll_trim, 140},
                          {"pitch", &pilot_input::pitch_trim, 280}};
    constexpr int top = 110;
    const rgb_image& mask = bitmap(4742);
    const rgb_image& panel = bitmap(4720);
    const rgb_image& overlay = bitmap(4725);
    // The card's long 0 mark, at 47 pixels from the centre, lies under the index at trim 0; a
    // trim of t turns it t x 15 degrees clockwise, where the short marks do not reach.
    auto mark_pixel = [](const dial& d, double degrees) {
        const double radians = degrees * 3.14159265358979323846 / 180.0;
        return std::pair<int, int>{static_cast<int>(std::floor(d.left + 70 + 47 * std::sin(radians))),
                                   static_cast<int>(std::floor(top + 70 - 47 * std::cos(radians)))};
    };
    for (const dial& d : dials) {
        for (double trim : {0.0, 1.0, -2.0}) {
            SCOPED_TRACE(std::string(d.name) + " trim " + std::to_string(trim));
            ap = autopilot_state{};
            ap.pilot.*d.trim = trim;
            const rgb_image picture = draw("AP_Panel_1");
            int outside_differs = 0;
            for (int y = 0; y < mask.height; ++y)
                for (int x = 0; x < mask.width; ++x) {
                    if (mask.at(x, y) == rgb{1, 1, 1}) continue;
                    const rgb on_top = overlay.at(d.left + x, top + y);
                    const rgb expected = on_top == black ? panel.at(d.left + x, top + y) : on_top;
                    outside_differs += !(picture.at(d.left + x, top + y) == expected);
                }
            EXPECT_EQ(outside_differs, 0) << "pixels outside the window that the card covers";
            for (double off : {0.0, -15.0, 15.0}) {
                const auto [x, y] = mark_pixel(d, trim * 15 + off);
                EXPECT_EQ(bright(picture.at(x, y)), off == 0.0) << "at " << off << " degrees from the 0 mark";
            }
        }
    }
}

TEST_F(GaugePicture, DigitFieldsFillTheirBoxAndCentreTheDigit)
{
    ASSERT_NE(font, nullptr) << "needs LiberationMono-Bold.ttf (package fonts-liberation) or BRASK_FONT";
    constexpr int box_x = 126, box_width = 12, box_height = 20;
    const int box_tops[] = {80, 100, 120, 140};
    std::map<int, rgb_image> by_value;
    for (int value : {0, 8}) {
        ap.settings.ap_kren_kanal = ap.settings.ap_tang_kanal = ap.settings.ap_schag_kanal = ap.settings.ap_kurs_kanal = static_cast<int8_t>(value);
        const rgb_image picture = draw("AP_YoySet");
        for (int box_y : box_tops) {
            SCOPED_TRACE("value " + std::to_string(value) + ", box at y " + std::to_string(box_y));
            int left = box_width, right = -1, upper = box_height, lower = -1, full = 0, off_ramp = 0;
            const int rows = std::min(box_height, picture.height - box_y);  // the last box overhangs the panel by a row
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < box_width; ++x) {
                    const rgb p = picture.at(box_x + x, box_y + y);
                    off_ramp += !(p.r == p.g && p.g == p.b && p.r >= 64 && p.r <= 180);
                    full += p.r == 180;
                    if (p.r == 64) continue;
                    left = std::min(left, x), right = std::max(right, x);
                    upper = std::min(upper, y), lower = std::max(lower, y);
                }
            EXPECT_EQ(off_ramp, 0) << "every pixel lies between the grey-64 ground and the grey-180 text";
            EXPECT_GT(full, 5) << "pixels fully covered by the digit";
            EXPECT_LE(std::abs(left - (box_width - 1 - right)), 1) << "centred across";
            EXPECT_LE(std::abs(upper - (box_height - 1 - lower)), 2) << "centred down";
        }
        by_value[value] = picture;
    }
    EXPECT_FALSE(same_crop(by_value[0], by_value[8], box_x, 80, box_width, box_height)) << "0 and 8 look different";
}

TEST_F(GaugePicture, RollBarLiesOnItsPivotAndTurnsClockwiseForPositiveValues)
{
    constexpr int pivot_x = 157, pivot_y = 68;
    EXPECT_EQ(misses(draw("IN_4"), bitmap(4965), pivot_x - 33, pivot_y - 4), "") << "at rest";

    // The bar's right end, 30 pixels from the pivot, after a turn of 33 degrees either way.
    const int end_x = pivot_x + 25, below = pivot_y + 16, above = pivot_y - 16;
    struct turn_case {
        double roll_command;  // the value shown is -0.004 times this, limited to 33
        bool right_end_down;
    };
    for (const turn_case& c : {turn_case{-8250, true}, turn_case{8250, false}}) {
        SCOPED_TRACE(c.roll_command);
        ap.modes.ap_master_on = 1;
        ap.roll.roll_command = c.roll_command;
        const rgb_image picture = draw("IN_4");
        EXPECT_EQ(bright(picture.at(end_x, below)), c.right_end_down);
        EXPECT_EQ(bright(picture.at(end_x, above)), !c.right_end_down);
    }
}

TEST_F(GaugePicture, IndicatorsShowTheirImagesForTheirStates)
{
    const rgb_image& lamp_off = bitmap(4912);
    EXPECT_TRUE(same_crop(draw("V_Lamp"), lamp_off, 0, 0, lamp_off.width, lamp_off.height)) << "value -1 draws nothing";
    ap.modes.speed_hold_active = 1;
    EXPECT_EQ(misses(draw("V_Lamp"), bitmap(4917), 0, 0), "");

    struct switch_case {
        int32_t on;
        uint32_t lever, tip;
    };
    for (const switch_case& c : {switch_case{0, 4880, 4896}, switch_case{1, 4882, 4898}}) {
        SCOPED_TRACE(c.on);
        ap.modes.speed_hold_on = c.on;
        const rgb_image picture = draw("V_Contrl_key");
        EXPECT_EQ(misses(picture, bitmap(c.tip), 0, 0), "") << "tip";
        EXPECT_EQ(misses(picture, bitmap(c.lever), 0, 0, &bitmap(c.tip)), "") << "lever, where the tip leaves it seen";
    }
}

TEST_F(GaugePicture, RenderCommandWritesTheScaledPictureAndReportsIt)
{
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "brask_renderer_test.png";
    std::filesystem::remove(file);
    EXPECT_EQ(render_command(host, "AP_Panel_1", file.string(), 2),
              "{\"render\":\"AP_Panel_1\",\"file\":\"" + file.string() + "\",\"width\":840,\"height\":500}");
    std::ifstream written(file, std::ios::binary);
    std::vector<unsigned char> head(24);
    written.read(reinterpret_cast<char*>(head.data()), 24);
    ASSERT_TRUE(written) << "no PNG written";
    EXPECT_EQ(std::string(head.begin() + 1, head.begin() + 4), "PNG");
    EXPECT_EQ((head[16] << 24 | head[17] << 16 | head[18] << 8 | head[19]), 840) << "IHDR width";
    EXPECT_EQ((head[20] << 24 | head[21] << 16 | head[22] << 8 | head[23]), 500) << "IHDR height";
    written.close();
    std::filesystem::remove(file);

    const std::string nowhere = (std::filesystem::temp_directory_path() / "no such folder" / "x.png").string();
    EXPECT_NE(render_command(host, "IN_4", nowhere, 1).find("\"error\":\"cannot write"), std::string::npos);
}

// Hand-made gauges: a 9 x 9 grey ground and one element over it, with bitmaps kept in memory.
class bitmaps_in_memory : public bitmap_source {
public:
    void add(uint32_t id, rgb_image image) { images_[id] = std::move(image); }

protected:
    std::optional<rgb_image> load(uint32_t id) override
    {
        const auto found = images_.find(id);
        return found == images_.end() ? std::nullopt : std::optional<rgb_image>(found->second);
    }

private:
    std::map<uint32_t, rgb_image> images_;
};

constexpr rgb grey{100, 100, 100}, red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
constexpr uint32_t ground_id = 10, element_id = 20;

double shown_value = 0.0;
double HOST_CALL shown(ELEMENT_HEADER*)
{
    return shown_value;
}

class HandMadeGauge : public ::testing::Test {
protected:
    HandMadeGauge()
    {
        shown_value = 0.0;
        bitmaps.add(ground_id, rgb_image(9, 9, grey));
        gauge.elements_list = root_list;
        ground = static_image(ground_id, {0, 0}, flags_background, &gauge, element_list);
    }

    rgb_image draw(ELEMENT_HEADER& element)
    {
        element_list[0] = &element;
        return render_gauge(&gauge, bitmaps, nullptr);
    }

    bitmaps_in_memory bitmaps;
    GAUGEHDR gauge{};
    ELEMENT_STATIC_IMAGE ground{};
    ELEMENT_HEADER* root_list[2] = {&ground.header, nullptr};
    ELEMENT_HEADER* element_list[2] = {nullptr, nullptr};
};

TEST_F(HandMadeGauge, OnlyPureBlackIsLeftUndrawnAndOnlyWhereTheFlagsSaySo)
{
    rgb_image picture(2, 1);
    picture.at(1, 0) = {0, 0, 1};
    bitmaps.add(element_id, picture);
    for (uint32_t flags : {IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE, IMAGE_USE_ERASE}) {
        SCOPED_TRACE(flags);
        ELEMENT_ICON element = icon(element_id, {3, 3}, flags, 1, nullptr, &gauge, nullptr);
        const rgb_image canvas = draw(element.header);
        EXPECT_EQ(canvas.at(3, 3), (flags & IMAGE_USE_TRANSPARENCY) ? grey : black);
        EXPECT_EQ(canvas.at(4, 3), (rgb{0, 0, 1}));
    }
}

TEST_F(HandMadeGauge, IconValueTruncatesToAnImageWithinTheImageCount)
{
    bitmaps.add(element_id, rgb_image(1, 1, red));
    bitmaps.add(element_id + 1, rgb_image(1, 1, green));
    bitmaps.add(element_id + 2, rgb_image(1, 1, blue));  // beyond the count of 2: never shown
    const std::pair<double, rgb> cases[] = {{0.0, red},  {0.99, red},   {-0.5, red},  {1.0, green},
                                            {1.7, green}, {2.0, grey},  {-1.0, grey}, {1e300, grey},
                                            {std::numeric_limits<double>::quiet_NaN(), grey}};
    ELEMENT_ICON element = icon(element_id, {4, 4}, flags_bright, 2, shown, &gauge, nullptr);
    for (const auto& [value, colour] : cases) {
        SCOPED_TRACE(value);
        shown_value = value;
        EXPECT_EQ(draw(element.header).at(4, 4), colour);
    }
}

TEST_F(HandMadeGauge, SliderMovesByValueTimesScaleRoundedToTheNearestPixel)
{
    bitmaps.add(element_id, rgb_image(1, 1, red));
    struct slide {
        double value, x_scale, y_scale;
        int x, y;
    };
    const slide cases[] = {{0, 1, 1, 4, 4},   {2.4, 1, 0, 6, 4},   {2.5, 1, 0, 7, 4},    {-2.5, 1, 0, 1, 4},
                           {10, 0, -0.3, 4, 1}, {10, 0, 0.26, 4, 7}, {1e12, 1, 0, -1, -1}};
    ELEMENT_SLIDER element = slider(element_id, {4, 4}, flags_bright, shown, 0, shown, 0, &gauge, nullptr);
    for (const slide& c : cases) {
        SCOPED_TRACE(c.value);
        shown_value = c.value;
        element.x_scale = c.x_scale;
        element.y_scale = c.y_scale;
        const rgb_image canvas = draw(element.header);
        int drawn = 0;
        for (const rgb& pixel : canvas.pixels) drawn += pixel == red;
        EXPECT_EQ(drawn, c.x < 0 ? 0 : 1);
        if (c.x >= 0) {
            EXPECT_EQ(canvas.at(c.x, c.y), red);
        }
    }
}

TEST_F(HandMadeGauge, NeedleTurnsClockwiseAboutItsPivot)
{
    // A bar of five pixels, the pivot at its left end, red at the far end.
    rgb_image bar(5, 1, green);
    bar.at(4, 0) = red;
    bitmaps.add(element_id, bar);
    ELEMENT_NEEDLE element{};
    element.header = element_header(ELEMENT_TYPE_NEEDLE, element_id, {4, 4}, flags_bright, &gauge, nullptr, {0, 0});
    element.value_callback = shown;
    const std::pair<double, std::pair<int, int>> ends[] = {{0, {8, 4}},  {90, {4, 8}},   {180, {0, 4}},
                                                           {-90, {4, 0}}, {45, {7, 7}},  {-135, {1, 1}}};
    for (const auto& [degrees, end] : ends) {
        SCOPED_TRACE(degrees);
        shown_value = degrees;
        const rgb_image canvas = draw(element.header);
        EXPECT_EQ(canvas.at(4, 4), green) << "the pivot stays on the position";
        EXPECT_EQ(canvas.at(end.first, end.second), red);
    }
}

TEST_F(HandMadeGauge, SpriteShowsTheScaledTurnedTextureOnlyThroughExactWindowPixels)
{
    // An 8 x 8 texture in four coloured quarters, halved to 4 x 4 and centred on the middle of
    // a 4 x 4 mask at (2, 2). Three mask pixels near the top-left corner are not window.
    rgb_image texture(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) texture.at(x, y) = y < 4 ? (x < 4 ? red : green) : (x < 4 ? white : blue);
    texture.at(3, 3) = black;  // the red quarter's pixel next to the centre: not drawn
    rgb_image mask(4, 4, {1, 1, 1});
    mask.at(1, 0) = black;
    mask.at(2, 0) = {1, 1, 2};
    mask.at(0, 1) = {2, 2, 2};
    bitmaps.add(element_id, texture);
    bitmaps.add(element_id + 1, mask);
    ELEMENT_SPRITE element = sprite(element_id, {2, 2}, {4, 4}, flags_luminous_rotating, shown, &gauge, nullptr);

    struct turn_case {
        double degrees;
        rgb top_left, top_right, bottom_right, bottom_left;  // the quarters seen at the window's corners
        int clear_x, clear_y;                                // where the red quarter's black pixel lands
    };
    const turn_case cases[] = {{0, red, green, blue, white, 3, 3},
                               {90, white, red, green, blue, 4, 3},
                               {180, blue, white, red, green, 4, 4},
                               {-90, green, blue, white, red, 3, 4}};
    for (const turn_case& c : cases) {
        SCOPED_TRACE(c.degrees);
        shown_value = c.degrees;
        const rgb_image canvas = draw(element.header);
        EXPECT_EQ(canvas.at(2, 2), c.top_left);
        EXPECT_EQ(canvas.at(5, 2), c.top_right);
        EXPECT_EQ(canvas.at(5, 5), c.bottom_right);
        EXPECT_EQ(canvas.at(2, 5), c.bottom_left);
        EXPECT_EQ(canvas.at(c.clear_x, c.clear_y), grey) << "a black texture pixel";
        EXPECT_EQ(canvas.at(3, 2), grey) << "mask (0,0,0)";
        EXPECT_EQ(canvas.at(4, 2), grey) << "mask (1,1,2)";
        EXPECT_EQ(canvas.at(2, 3), grey) << "mask (2,2,2)";
        EXPECT_EQ(canvas.at(1, 1), grey) << "outside the mask";
        EXPECT_EQ(canvas.at(6, 6), grey) << "outside the mask";
    }
}

double HOST_CALL write_seven(ELEMENT_HEADER* element)
{
    char* text = reinterpret_cast<ELEMENT_STRING*>(element)->text;
    text[0] = '7';
    text[1] = '\0';
    return 7;
}

TEST_F(HandMadeGauge, RefusesWhatItCannotDraw)
{
    bitmaps_in_memory empty;
    EXPECT_THROW(render_gauge(&gauge, empty, nullptr), render_error) << "no bitmap for the root";
    const string_style style = {{6, 6}, 0xFFFFFF, 0x000000, 0x000000, "Courier New", 700, 1, 0x25, 1};
    ELEMENT_STRING text = string_field({1, 1}, flags_digits, style, write_seven, &gauge, nullptr);
    EXPECT_THROW(draw(text.header), render_error) << "text without a font";
    EXPECT_EQ(text.text, nullptr) << "the record keeps no pointer to the renderer's buffer";
}

}  // namespace

// Packed DIBs as the Windows build finds them among a module's resources.
TEST(BitmapDecoding, ReadsPalettedAndTrueColourRowsInEitherOrder)
{
    auto dib = [](int32_t width, int32_t height, uint16_t bits, uint32_t compression, const std::vector<uint8_t>& body) {
        std::vector<uint8_t> bytes(40, 0);
        auto put32 = [&bytes](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        put32(0, 40);
        put32(4, static_cast<uint32_t>(width));
        put32(8, static_cast<uint32_t>(height));
        bytes[12] = 1;
        bytes[14] = static_cast<uint8_t>(bits);
        put32(16, compression);
        put32(32, bits == 8 ? 2 : 0);  // two palette entries
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    // Palette: 0 = red, 1 = blue (stored blue, green, red, 0). Rows padded to 4 bytes.
    const std::vector<uint8_t> palette = {0, 0, 255, 0, 255, 0, 0, 0};
    std::vector<uint8_t> paletted = palette;
    paletted.insert(paletted.end(), {0, 1, 0, 0, /* next row */ 1, 1, 0, 0});
    // 24 bits: 3 pixels of 3 bytes, then 3 bytes of padding.
    const std::vector<uint8_t> true_colour = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                                              9, 9, 9, 0, 0, 0, 255, 255, 255, 0, 0, 0};
    struct decoding {
        const char* what;
        std::vector<uint8_t> bytes;
        rgb top_left, top_right;
    };
    const decoding cases[] = {
        {"8 bits bottom-up", dib(2, 2, 8, 0, paletted), blue, blue},
        {"8 bits top-down", dib(2, -2, 8, 0, paletted), red, blue},
        {"24 bits bottom-up", dib(3, 2, 24, 0, true_colour), {9, 9, 9}, white},
        {"24 bits top-down", dib(3, -2, 24, 0, true_colour), red, blue},
    };
    for (const decoding& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<rgb_image> image = decode_dib(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(image->at(0, 0), c.top_left);
        EXPECT_EQ(image->at(image->width - 1, 0), c.top_right);
    }
    const std::vector<uint8_t> compressed = dib(2, 2, 8, 1, paletted);
    EXPECT_FALSE(decode_dib(compressed.data(), compressed.size())) << "run-length compressed";
    const std::vector<uint8_t> cut = dib(3, 2, 24, 0, true_colour);
    EXPECT_FALSE(decode_dib(cut.data(), cut.size() - 1)) << "truncated";
}

TEST(TurningArithmetic, SineAndCosineOfDegreesMatchTheMathsLibrary)
{
    const std::pair<double, std::pair<double, double>> exact[] = {
        {0, {0, 1}}, {90, {1, 0}}, {180, {0, -1}}, {270, {-1, 0}}, {-90, {-1, 0}}, {450, {1, 0}}, {-720, {0, 1}}};
    for (const auto& [degrees, expected] : exact) {
        double s = 2, c = 2;
        sin_cos_degrees(degrees, s, c);
        EXPECT_EQ(s, expected.first) << degrees;
        EXPECT_EQ(c, expected.second) << degrees;
    }
    for (double degrees = -400; degrees <= 400; degrees += 0.37) {
        double s = 0, c = 0;
        sin_cos_degrees(degrees, s, c);
        const double radians = degrees * 3.14159265358979323846 / 180.0;
        EXPECT_NEAR(s, std::sin(radians), 2e-15) << degrees;
        EXPECT_NEAR(c, std::cos(radians), 2e-15) << degrees;
    }
}
