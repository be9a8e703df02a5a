#include "../media/test_filters.h"
#include "filter_test_support.h"
#include "filters/ct_superposer.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "support/dv_frame_forge.h"

#include <QFontMetrics>

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using media::testing::PinOf;
using testing::Message;
using testsupport::DvFrameForge;
using testsupport::DvLines;

constexpr REFERENCE_TIME kFrame = 400000; // 25 frames per second
constexpr std::uint8_t kGrey = 0x80;

// A bottom-up 24-bit frame as the decoder delivers it, and pixel access by picture coordinates
// (row 0 the top of the picture).
struct Frame
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    Frame(int w, int h, std::uint8_t fill = kGrey)
        : width(w), height(h), bytes(std::size_t(Stride()) * std::size_t(h), fill)
    {
    }
    Frame(int w, int h, std::span<const std::uint8_t> data)
        : width(w), height(h), bytes(data.begin(), data.end())
    {
    }
    [[nodiscard]] int Stride() const { return (width * 3 + 3) & ~3; }
    std::uint8_t* At(int x, int y)
    {
        return bytes.data() + std::size_t(height - 1 - y) * Stride() + std::size_t(x) * 3;
    }
    [[nodiscard]] const std::uint8_t* At(int x, int y) const
    {
        return bytes.data() + std::size_t(height - 1 - y) * Stride() + std::size_t(x) * 3;
    }
    [[nodiscard]] bool Is(int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) const
    {
        const std::uint8_t* p = At(x, y);
        return p[0] == b && p[1] == g && p[2] == r;
    }
    // The picture points of one plain colour, as a set of (x, y).
    [[nodiscard]] std::set<std::pair<int, int>> PointsOf(std::uint8_t b, std::uint8_t g, std::uint8_t r) const
    {
        std::set<std::pair<int, int>> points;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (Is(x, y, b, g, r))
                    points.emplace(x, y);
        return points;
    }
};

struct Box
{
    int left = 0, top = 0, right = -1, bottom = -1; // inclusive; empty when right < left
};

Box BoundsOf(const std::set<std::pair<int, int>>& points)
{
    Box box{1 << 30, 1 << 30, -1, -1};
    for (const auto& [x, y] : points) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

std::set<std::pair<int, int>> Shifted(const std::set<std::pair<int, int>>& points, int dx, int dy)
{
    std::set<std::pair<int, int>> result;
    for (const auto& [x, y] : points)
        result.emplace(x + dx, y + dy);
    return result;
}

TincrustRec PersoRecord(const QString& line1, const QString& line2)
{
    TincrustRec rec;
    rec.Incrust1 = line1;
    rec.Incrust2 = line2;
    rec.FormatDate1 = QStringLiteral("yyyy");
    rec.FormatDate2 = QStringLiteral("hh:nn:ss");
    rec.FontRec = TfontRecord{QStringLiteral("Arial"), 21, 0xFFFFFF, true, false, false, false};
    rec.WhatIncrust = wiPerso;
    rec.Alignment = iaLeft;
    rec.Xpos = 100;
    rec.Ypos = 500;
    return rec;
}

// The inlay filter connected in a graph for a W x H RGB24 stream and started, so that its frames
// can be handed to Transform one by one.
class Inlay
{
public:
    Inlay(int width, int height)
        : m_width(width), m_height(height), m_pool(Frame(width, height).Stride() * height, 2)
    {
        const AM_MEDIA_TYPE type = MakeVideoType(MEDIASUBTYPE_RGB24, width, height, kFrame);
        m_source = ComPtr<media::testing::TestSource>(
            new media::testing::TestSource({type}, 0, std::int32_t(type.lSampleSize)));
        EXPECT_EQ(m_graph->AddFilter(m_source.Get(), "Decoder"), S_OK);
        EXPECT_EQ(m_graph->AddFilter(filter.Get(), "Superposer"), S_OK);
        EXPECT_EQ(m_graph->AddFilter(m_sink.Get(), "Preview"), S_OK);
        EXPECT_EQ(
            m_graph->ConnectDirect(PinOf(m_source.Get(), 0).Get(), PinOf(filter.Get(), 0).Get(), nullptr),
            S_OK);
        EXPECT_EQ(m_graph->ConnectDirect(PinOf(filter.Get(), 1).Get(), PinOf(m_sink.Get(), 0).Get(), nullptr),
                  S_OK);
        filter->SetMessageSink(&messages);
        filter->SetFrameDuration(kFrame);
    }
    ~Inlay() { (void)filter->Stop(); }

    void Start() { EXPECT_EQ(filter->Pause(), S_OK); }

    // Passes one frame; the output frame, or nothing when the filter dropped it.
    std::optional<Frame> Pass(const Frame& input, REFERENCE_TIME start = -1)
    {
        auto in = m_pool.Take(input.bytes, start);
        auto out = m_pool.Empty();
        const HRESULT hr = filter->Transform(in.Get(), out.Get());
        EXPECT_TRUE(hr == S_OK || hr == S_FALSE);
        if (hr != S_OK)
            return std::nullopt;
        return Frame(m_width, m_height, testing::SampleBytes(out.Get()));
    }
    Frame Draw(REFERENCE_TIME start = -1) { return Pass(Frame(m_width, m_height), start).value(); }

    ComPtr<Tct_Superposer> filter = ComPtr<Tct_Superposer>(new Tct_Superposer());
    testing::RecordingMessageSink messages;

private:
    int m_width;
    int m_height;
    ComPtr<FilterGraph> m_graph = FilterGraph::Create(nullptr);
    ComPtr<media::testing::TestSource> m_source;
    ComPtr<media::testing::TestSink> m_sink =
        ComPtr<media::testing::TestSink>(new media::testing::TestSink());
    testing::SamplePool m_pool;
};

const auto White = [](const Frame& f) { return f.PointsOf(0xFF, 0xFF, 0xFF); };
const auto Black = [](const Frame& f) { return f.PointsOf(0, 0, 0); };

TEST(Superposer, TypesNameAndOutputFormat)
{
    Inlay inlay(720, 576);
    EXPECT_EQ(inlay.filter->ObjectName(), QStringLiteral("Dorn Vesk ct_Superposer"));
    GUID classId;
    ASSERT_EQ(inlay.filter->GetClassID(&classId), S_OK);
    EXPECT_EQ(classId, MakeGuid("E97F14A9-9EB5-486F-8235-B29F93983433"));
    EXPECT_EQ(inlay.filter->CheckInputType(MakeVideoType(MEDIASUBTYPE_YUY2, 8, 8, 0)),
              VFW_E_TYPE_NOT_ACCEPTED);
    AM_MEDIA_TYPE type;
    EXPECT_EQ(inlay.filter->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(inlay.filter->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(inlay.filter->GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(type.FormatAs<VIDEOINFOHEADER>()->bmiHeader.biSizeImage, 720u * 576u * 3u);
}

TEST(Superposer, DrawsBothLinesAtTheirPositionsForEachAlignment)
{
    struct Case
    {
        std::uint8_t alignment;
        int xpos;
    };
    const QString text = QStringLiteral("IlI 12");
    for (const Case c : {Case{iaLeft, 100}, Case{iaCentre, 500}, Case{iaRight, 900}, Case{iaSubtitle, 50}}) {
        SCOPED_TRACE(int(c.alignment));
        Inlay inlay(720, 576);
        inlay.Start();
        TincrustRec rec = PersoRecord(text, text);
        rec.Alignment = c.alignment;
        rec.Xpos = c.xpos;
        inlay.filter->SetIncrustRec(rec);
        inlay.filter->SetInlayEnabled(true);
        const Frame out = inlay.Draw();

        const int h = inlay.filter->FontHeight();
        EXPECT_EQ(h, 28); // 21 points on a 96-dpi screen
        const int y2 = 576 * 500 / 1000;
        const auto white = White(out);
        ASSERT_FALSE(white.empty());
        // Split the ink into the two lines at Y2: line 2 hangs below it, line 1 a font height above.
        std::set<std::pair<int, int>> line1, line2;
        for (const auto& p : white)
            (p.second >= y2 ? line2 : line1).insert(p);
        EXPECT_EQ(Shifted(line1, 0, h), line2);
        const Box box = BoundsOf(line2);
        EXPECT_GE(box.top, y2);
        EXPECT_LT(box.bottom, y2 + h + h / 2);
        QFont font(QStringLiteral("Arial"));
        font.setBold(true);
        font.setPixelSize(h);
        font.setStyleStrategy(QFont::NoAntialias);
        const int width = QFontMetrics(font).horizontalAdvance(text);
        const int x = 720 * c.xpos / 1000;
        const int expectedLeft = c.alignment == iaLeft     ? x
                                 : c.alignment == iaCentre ? x - width / 2
                                 : c.alignment == iaRight  ? x - width
                                                           : (720 - width) / 2;
        // The ink starts within the first glyph's side bearing of the line's left edge.
        EXPECT_GE(box.left, expectedLeft);
        EXPECT_LE(box.left, expectedLeft + 4);
        EXPECT_LE(box.right, expectedLeft + width);
    }
}

TEST(Superposer, TheOutlineFramesTheTextByTheBorderSizeInEveryDirection)
{
    for (const int border : {0, 1, 2}) {
        SCOPED_TRACE(border);
        Inlay inlay(320, 240);
        inlay.Start();
        TincrustRec rec = PersoRecord(QString(), QStringLiteral("T.i|"));
        rec.BorderSize = border;
        rec.Ypos = 400;
        inlay.filter->SetIncrustRec(rec);
        inlay.filter->SetInlayEnabled(true);
        const Frame out = inlay.Draw();

        const auto white = White(out);
        ASSERT_FALSE(white.empty());
        // Drawing the black text at each of the (2b + 1)^2 offsets covers exactly the square
        // neighbourhood of the ink, less the ink itself.
        std::set<std::pair<int, int>> expectedBlack;
        for (const auto& [x, y] : white)
            for (int dy = -border; dy <= border; ++dy)
                for (int dx = -border; dx <= border; ++dx)
                    if (!white.contains({x + dx, y + dy}))
                        expectedBlack.emplace(x + dx, y + dy);
        EXPECT_EQ(Black(out), expectedBlack);
        EXPECT_EQ(out.PointsOf(kGrey, kGrey, kGrey).size() + expectedBlack.size() + white.size(),
                  320u * 240u);
    }
}

TEST(Superposer, ClampsThePositionAndSizesTheAutomaticFontByThePictureWidth)
{
    Tct_Superposer fresh;
    EXPECT_EQ(fresh.IncrustRec().Xpos, 900);
    EXPECT_EQ(fresh.IncrustRec().Ypos, 900);
    TincrustRec rec = PersoRecord(QString(), QString());
    rec.Xpos = 1200;
    rec.Ypos = -5;
    rec.Autofontsize = true;
    fresh.SetIncrustRec(rec);
    EXPECT_EQ(fresh.IncrustRec().Xpos, 1000);
    EXPECT_EQ(fresh.IncrustRec().Ypos, 0);
    EXPECT_EQ(fresh.FontHeight(), 16); // no picture yet: width 0

    for (const auto [width, expected] : {std::pair{720, 28}, std::pair{320, 16}, std::pair{1920, 74}}) {
        Inlay inlay(width, 64);
        inlay.Start();
        inlay.filter->SetIncrustRec(rec);
        EXPECT_EQ(inlay.filter->FontHeight(), expected) << width;
    }
}

TEST(Superposer, OnceForFiveSecondsShowsTheTextOnTheFirst123Frames)
{
    Inlay inlay(160, 120);
    inlay.filter->SetInlayWhen(iwOnce, 5);
    EXPECT_EQ(inlay.filter->Duration(), 125);
    inlay.filter->SetIncrustRec(PersoRecord(QStringLiteral("X"), QStringLiteral("X")));
    inlay.filter->SetInlayEnabled(true);
    inlay.Start();
    EXPECT_EQ(inlay.filter->Counter(), 124);
    std::vector<bool> shown;
    for (int i = 0; i < 130; ++i)
        shown.push_back(!White(inlay.Draw(i * kFrame)).empty());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), true), 123);
    EXPECT_TRUE(std::is_partitioned(shown.begin(), shown.end(), [](bool s) { return s; }));

    // Switching to "permanently" shows it again at once.
    inlay.filter->SetInlayWhen(iwPermanently, 5);
    EXPECT_FALSE(White(inlay.Draw(130 * kFrame)).empty());
}

TEST(Superposer, DurationRoundsHalvesToEven)
{
    Tct_Superposer filter;
    filter.SetFrameDuration(400000);
    filter.SetInlayWhen(iwOnce, 0);
    EXPECT_EQ(filter.Duration(), 0);
    filter.SetFrameDuration(800000); // 12.5 frames a second
    filter.SetInlayWhen(iwOnce, 1);
    EXPECT_EQ(filter.Duration(), 12);
    filter.SetInlayWhen(iwOnce, 3); // 37.5
    EXPECT_EQ(filter.Duration(), 38);
}

// Feeds the detector and the inlay the same frame with the same start time, as a DV capture does.
struct DvInlay
{
    Inlay inlay{160, 120};
    SceneDetector detector;
    int index = 0;

    bool Shown(int secondsFromStart)
    {
        const int total = 10 * 3600 + secondsFromStart;
        const auto dv = DvFrameForge::Bare(DvLines::System625)
                            .RecDate(2024, 7, 8, total / 3600, total / 60 % 60, total % 60)
                            .Timecode(0, 0, 1, 2)
                            .Take();
        const REFERENCE_TIME start = index++ * kFrame;
        (void)detector.ProcessFrame(dv, start);
        return !White(inlay.Draw(start)).empty();
    }
};

TEST(Superposer, OnEachNewSceneRestartsOnAJumpOfMoreThanTwoSecondsOrBackwards)
{
    DvInlay dv;
    dv.inlay.filter->SetSceneDetector(&dv.detector);
    dv.inlay.filter->SetInlayWhen(iwEachScene, 1); // 25 frames
    TincrustRec rec = PersoRecord(QStringLiteral("%D"), QString());
    dv.inlay.filter->SetIncrustRec(rec);
    dv.inlay.filter->SetInlayEnabled(true);
    dv.inlay.Start();

    const auto run = [&](int frames, int seconds) {
        int shown = 0;
        for (int i = 0; i < frames; ++i)
            shown += dv.Shown(seconds);
        return shown;
    };
    EXPECT_EQ(run(30, 0), 24); // the first frame's date counts as a new scene
    EXPECT_EQ(run(10, 1), 0);  // one second on: the same scene
    EXPECT_EQ(run(30, 4), 24); // three seconds on: a new scene
    EXPECT_EQ(run(30, 3), 24); // one second back: a new scene too
}

TEST(Superposer, DateAndTimecodeTextsComeFromTheRingOrReadNA)
{
    // Each inlay is compared with one that draws the expected text literally.
    const auto render = [](const QString& line1, const QString& line2, std::uint8_t what, bool withDetector) {
        DvInlay dv;
        if (withDetector)
            dv.inlay.filter->SetSceneDetector(&dv.detector);
        TincrustRec rec = PersoRecord(line1, line2);
        rec.WhatIncrust = what;
        dv.inlay.filter->SetIncrustRec(rec);
        dv.inlay.filter->SetInlayEnabled(true);
        dv.inlay.Start();
        (void)dv.Shown(0);
        (void)dv.Shown(0);
        const int total = 10 * 3600 + 0;
        const auto frame = DvFrameForge::Bare(DvLines::System625)
                               .RecDate(2024, 7, 8, total / 3600, 0, 0)
                               .Timecode(1, 2, 3, 4)
                               .Take();
        (void)dv.detector.ProcessFrame(frame, 2 * kFrame);
        return dv.inlay.Draw(2 * kFrame).bytes;
    };
    const auto literal = [&](const QString& line1, const QString& line2) {
        return render(line1, line2, wiPerso, false);
    };
    ASSERT_NE(literal(QStringLiteral("N/A"), QStringLiteral("N/A")), literal({}, {})); // text shows at all
    EXPECT_EQ(render({}, {}, wiDatecode, false), literal(QStringLiteral("N/A"), QStringLiteral("N/A")));
    EXPECT_EQ(render({}, {}, wiTimecode, false), literal({}, QStringLiteral("N/A")));
    EXPECT_EQ(render({}, {}, wiDatecode, true), literal(QStringLiteral("2024"), QStringLiteral("10:00:00")));
    EXPECT_EQ(render({}, {}, wiTimecode, true), literal({}, QStringLiteral("1:02:03:04")));
    EXPECT_EQ(render(QStringLiteral("%d at %t"), QStringLiteral("%T%D"), wiPerso, true),
              literal(QStringLiteral("2024 at 1:02:03:04"), QStringLiteral("1:02:03:0410:00:00")));
    EXPECT_NE(render({}, {}, wiNone, true), literal(QStringLiteral("2024"), {}));
    EXPECT_EQ(render({}, {}, wiNone, true), literal({}, {}));
}

TEST(Superposer, OnEachNewDayRestartsWithTheClockOnlyForRealTime)
{
    Inlay inlay(160, 120);
    TDateTime now = 45000.9;
    inlay.filter->SetClock([&] { return now; });
    inlay.filter->SetInlayWhen(iwEachDay, 1);
    TincrustRec rec = PersoRecord(QString(), QString());
    rec.WhatIncrust = wiReal;
    inlay.filter->SetIncrustRec(rec);
    inlay.filter->SetInlayEnabled(true);
    inlay.Start();
    int shown = 0;
    for (int i = 0; i < 40; ++i)
        shown += !White(inlay.Draw(i * kFrame)).empty();
    EXPECT_EQ(shown, 24); // the first frame compares with no time at all
    now = 45001.1;        // past midnight
    shown = 0;
    for (int i = 0; i < 40; ++i)
        shown += !White(inlay.Draw(i * kFrame)).empty();
    EXPECT_EQ(shown, 24);

    // Perso never restarts by day: the day rule has no time to look at.
    rec.WhatIncrust = wiPerso;
    rec.Incrust1 = QStringLiteral("%R");
    inlay.filter->SetIncrustRec(rec);
    now = 45002.1;
    shown = 0;
    for (int i = 0; i < 40; ++i)
        shown += !White(inlay.Draw(i * kFrame)).empty();
    EXPECT_EQ(shown, 0);
}

TEST(Superposer, FlipsMirrorsAndRightsTopFirstSources)
{
    struct Case
    {
        const char* name;
        bool effects, vertical, sourceFlipped, mirror;
        bool expectUpsideDown, expectMirrored;
    };
    const Case cases[] = {
        {"plain", true, false, false, false, false, false},
        {"vertical flip", true, true, false, false, true, false},
        {"top-first source", true, false, true, false, true, false},
        {"flip of a top-first source", true, true, true, false, false, false},
        {"mirror", true, false, false, true, false, true},
        {"no effects keep the picture", false, true, false, true, false, false},
        {"no effects still right the source", false, false, true, true, true, false},
    };
    Frame input(40, 30);
    input.At(0, 0)[2] = 0xFF; // a red top-left corner
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Inlay inlay(40, 30);
        inlay.filter->SetEffectsAllowed(c.effects);
        inlay.filter->SetVerticalFlip(c.vertical);
        inlay.filter->SetSourceFlipped(c.sourceFlipped);
        inlay.filter->SetHorizontalMirror(c.mirror);
        inlay.Start();
        const auto out = inlay.Pass(input);
        ASSERT_TRUE(out);
        const int x = c.expectMirrored ? 39 : 0;
        const int y = c.expectUpsideDown ? 29 : 0;
        EXPECT_EQ(out->At(x, y)[2], 0xFF);
        EXPECT_EQ(out->PointsOf(kGrey, kGrey, 0xFF).size(), 1u);
    }
}

TEST(Superposer, AShortFrameIsDroppedButTheGrabStillRuns)
{
    Inlay inlay(40, 30);
    inlay.Start();
    inlay.filter->RequestGrab();
    testing::SamplePool pool(40 * 30 * 3);
    auto shortInput = pool.Take(std::vector<std::uint8_t>(100, 1));
    auto out = pool.Empty();
    EXPECT_EQ(inlay.filter->Transform(shortInput.Get(), out.Get()), S_FALSE);
    EXPECT_EQ(inlay.messages.Take(), (std::vector<Message>{{WM_IMAGEGRABBED, 0, 1}}));
}

TEST(Superposer, TheIntervalometerGrabsAtOnceThenCountsDownEachSecond)
{
    Inlay inlay(32, 24);
    inlay.Start();
    inlay.filter->StartInterval(10 * Tct_Superposer::kIntervalUnitsPerSecond);
    for (int i = 0; i <= 251; ++i) // 10 s and two frames at 25 frames a second
        (void)inlay.Draw(i * kFrame);
    std::vector<Message> expected{{WM_IMAGEGRABBED, 0, 1}};
    for (int s = 9; s >= 0; --s)
        expected.emplace_back(WM_INTERVALOCOUNTDOWN, s, 0);
    expected.emplace_back(WM_IMAGEGRABBED, 0, 2); // at 10 s of stream time
    expected.emplace_back(WM_INTERVALOCOUNTDOWN, 9, 0);
    EXPECT_EQ(inlay.messages.Take(), expected);

    // A jump of a minute: one grab, and the next one an interval after the new time.
    (void)inlay.Draw(70 * 10000000LL);
    (void)inlay.Draw(70 * 10000000LL + 9 * 10000000LL + kFrame);
    EXPECT_EQ(inlay.messages.Take(),
              (std::vector<Message>{{WM_IMAGEGRABBED, 0, 3}, {WM_INTERVALOCOUNTDOWN, 0, 0}}));

    inlay.filter->StopInterval();
    (void)inlay.Draw(100 * 10000000LL);
    EXPECT_TRUE(inlay.messages.Take().empty());
}

TEST(Superposer, GrabsFillTwentySlotsAndLoseTheTwentyFirst)
{
    Inlay inlay(32, 24);
    inlay.Start();
    Frame picture(32, 24);
    picture.At(31, 23)[0] = 0xFF; // a blue bottom-right corner
    for (int i = 0; i < 21; ++i) {
        inlay.filter->RequestGrab();
        (void)inlay.Pass(picture, i * kFrame);
    }
    const auto messages = inlay.messages.Take();
    ASSERT_EQ(messages.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(messages[std::size_t(i)], Message(WM_IMAGEGRABBED, 0, (i + 1) % 20));
    for (int slot = 0; slot < 20; ++slot) {
        ASSERT_TRUE(inlay.filter->GrabBusy(slot));
        const QImage& grabbed = inlay.filter->GrabBitmap(slot);
        ASSERT_EQ(grabbed.size(), QSize(32, 24));
        EXPECT_EQ(grabbed.pixelColor(31, 23), QColor(kGrey, kGrey, 0xFF)) << slot;
    }

    // The slot that the next grab comes to is used as soon as the window has released it.
    inlay.filter->ReleaseGrab(2);
    inlay.filter->RequestGrab();
    (void)inlay.Pass(picture, 21 * kFrame);
    EXPECT_EQ(inlay.messages.Take(), (std::vector<Message>{{WM_IMAGEGRABBED, 0, 2}}));
}

TEST(Superposer, TheWindowChangesSettingsAndTakesGrabsWhileFramesStream)
{
    // A running graph: the source's thread draws while this thread, the window, changes settings
    // and uses grabs. Under ThreadSanitizer this is the check that nothing is shared unguarded.
    auto graph = FilterGraph::Create(nullptr);
    const AM_MEDIA_TYPE type = MakeVideoType(MEDIASUBTYPE_RGB24, 96, 64, kFrame);
    auto source = ComPtr<media::testing::TestSource>(
        new media::testing::TestSource({type}, -1, std::int32_t(type.lSampleSize)));
    auto filter = ComPtr<Tct_Superposer>(new Tct_Superposer());
    auto sink = ComPtr<media::testing::TestSink>(new media::testing::TestSink());
    testing::RecordingMessageSink messages;
    filter->SetMessageSink(&messages);
    filter->SetFrameDuration(kFrame);
    ASSERT_EQ(graph->AddFilter(source.Get(), "Decoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(filter.Get(), "Superposer"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Preview"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(filter.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(filter.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);

    filter->StartInterval(Tct_Superposer::kIntervalUnitsPerSecond);
    for (int round = 0; round < 40; ++round) {
        TincrustRec rec = PersoRecord(QStringLiteral("round %1").arg(round), QStringLiteral("%R"));
        rec.BorderSize = round % 3;
        rec.Alignment = std::uint8_t(round % 4);
        filter->SetIncrustRec(rec);
        filter->SetInlayEnabled(round % 2 == 0);
        filter->SetInlayWhen(round % 4, 1);
        filter->SetVerticalFlip(round % 3 == 0);
        filter->SetHorizontalMirror(round % 5 == 0);
        filter->SetEffectsAllowed(round % 7 != 0);
        filter->RequestGrab();
        const std::size_t seen = sink->Samples().size();
        ASSERT_TRUE(sink->WaitUntil([seen](const auto& samples, int) { return samples.size() >= seen + 2; }));
        for (int slot = 0; slot < Tct_Superposer::kGrabSlots; ++slot) {
            if (filter->GrabBusy(slot)) {
                const QImage picture = filter->GrabBitmap(slot); // the window keeps its own copy
                EXPECT_EQ(picture.size(), QSize(96, 64));
                filter->ReleaseGrab(slot);
            }
        }
    }
    ASSERT_EQ(graph->Stop(), S_OK);
    int grabs = 0;
    for (const Message& m : messages.Messages())
        grabs += std::get<0>(m) == WM_IMAGEGRABBED;
    EXPECT_GT(grabs, 0);
}

} // namespace
} // namespace camtrove::filters
