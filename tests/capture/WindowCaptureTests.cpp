#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "library/capture/WindowCaptureCommand.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/CaptureTestWindow.h"

using namespace NLibrary::NWin32::NCapture;
using namespace NCaptureTests;

namespace {

const CWindowColours RedGreenBlue = {Red, Green, Blue};
const CWindowColours AllGreen = {Green, Green, Green};
const RECT Bounds = {400, 100, 464, 164};  // 64 x 64
const uint32_t ColourBits = 0x00FFFFFF;

// A capture into a named section that the helper process reads back.
class CCapture
{
public:
    CCapture(HWND window, uint32_t width, uint32_t height, int32_t format = DIBFormatARGB32)
        : name(MakeSectionName(L"capture")), format(format)
    {
        EXPECT_EQ(0u, surface.Create(width, height, format, name.c_str()));
        command.window = window;
        command.surface = &surface;
        command.width = width;
        command.height = height;
        command.status = 7;
    }

    void Execute(int32_t method, int32_t alphaMode = AlphaModeNone)
    {
        command.method = method;
        command.alphaMode = alphaMode;
        command.Execute();
    }

    // Pixel values read by another process at picture points (y from the top).
    std::vector<uint32_t> Read(const std::vector<POINT>& points) const
    {
        return ReadPixelsByName(name.c_str(), format, surface.GetWidth(), surface.GetHeight(),
                                points);
    }

    uint32_t ReadOne(LONG x, LONG y) const
    {
        const std::vector<uint32_t> values = Read({
            POINT {x, y}
        });
        return values.empty() ? 0xDEADBEEF : values[0];
    }

    template <typename T>
    const T* Elements() const
    {
        return static_cast<const T*>(surface.GetBits());
    }

    std::wstring name;
    int32_t format;
    CDIBSurface surface;
    CWindowCaptureCommand command;
};

std::vector<uint32_t> Colours(const std::vector<uint32_t>& values)
{
    std::vector<uint32_t> out;
    for (uint32_t v : values)
        out.push_back(v & ColourBits);
    return out;
}

std::vector<uint32_t> Expected(std::initializer_list<COLORREF> colours)
{
    std::vector<uint32_t> out;
    for (COLORREF c : colours)
        out.push_back(DIBValue(c));
    return out;
}

// Rectangles of a 64 x 64 window: the left 32 x 32 square and the bottom
// right 32 x 32 square.
const RECT Squares[] = {
    {0,  0,  32, 32},
    {32, 32, 64, 64}
};

}  // namespace

TEST(WindowCapture, CopyAndPrintLandInTheSectionBottomUp)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 64, 64);
    EXPECT_EQ(window.Get(), capture.command.GetTargetWindow());
    const std::vector<POINT> corners = {
        {0,  0 },
        {63, 0 },
        {0,  63},
        {63, 63}
    };

    capture.Execute(CaptureMethodCopy);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_FALSE(capture.surface.IsAttached());
    EXPECT_EQ(Expected({Red, Green, Red, Green}), Colours(capture.Read(corners)));

    capture.command.status = 7;
    capture.Execute(CaptureMethodPrint);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(Expected({Blue, Blue, Blue, Blue}), Colours(capture.Read(corners)));
    // Every method value but copy and auto prints.
    capture.Execute(CaptureMethodCopy);
    capture.Execute(77);
    EXPECT_EQ(DIBValue(Blue), capture.ReadOne(10, 10) & ColourBits);
}

TEST(WindowCapture, AutoPrintsOnlyAShapedWindowThatIsPartlyCovered)
{
    CCaptureTestWindow plain(Bounds, RedGreenBlue);
    CCapture plainCapture(plain.Get(), 64, 64);
    plainCapture.Execute(CaptureMethodAuto);
    EXPECT_EQ(DIBValue(Red), plainCapture.ReadOne(5, 5) & ColourBits);

    const RECT shapedBounds = {500, 100, 564, 164};
    CCaptureTestWindow shaped(shapedBounds, RedGreenBlue);
    shaped.SetRegion(Squares, 2);
    CCapture capture(shaped.Get(), 64, 64);
    capture.Execute(CaptureMethodAuto);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(DIBValue(Red), capture.ReadOne(5, 5) & ColourBits);

    // Covering only the cut-away top right corner changes nothing.
    auto corner = std::make_unique<CCaptureTestWindow>(RECT {540, 100, 564, 124}, AllGreen);
    capture.Execute(CaptureMethodAuto);
    EXPECT_EQ(DIBValue(Red), capture.ReadOne(5, 5) & ColourBits);
    corner.reset();

    CCaptureTestWindow cover(RECT {520, 120, 580, 180}, AllGreen);
    capture.Execute(CaptureMethodAuto);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(DIBValue(Blue), capture.ReadOne(5, 5) & ColourBits);
    // Told to copy, it copies all the same.
    capture.Execute(CaptureMethodCopy);
    EXPECT_EQ(DIBValue(Red), capture.ReadOne(5, 5) & ColourBits);
}

TEST(WindowCapture, SourceOffsetForcesTheScreenCopy)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 32, 16);
    capture.command.sourceX = 32;
    capture.Execute(CaptureMethodPrint);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(Expected({
                  Green, Green
    }),
              Colours(capture.Read({{0, 0}, {31, 15}})));

    capture.command.sourceX = 0;
    capture.command.sourceY = 8;
    capture.Execute(CaptureMethodPrint);
    EXPECT_EQ(Expected({
                  Red, Red
    }),
              Colours(capture.Read({{0, 0}, {31, 15}})));
}

TEST(WindowCapture, NullWindowCopiesTheScreenAndCannotPrint)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(nullptr, 16, 16);
    EXPECT_EQ(nullptr, capture.command.GetTargetWindow());
    capture.command.sourceX = Bounds.left + 40;
    capture.command.sourceY = Bounds.top + 8;
    capture.Execute(CaptureMethodAuto);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(Expected({
                  Green, Green
    }),
              Colours(capture.Read({{0, 0}, {15, 15}})));

    capture.command.sourceX = Bounds.left;
    capture.Execute(CaptureMethodCopy);
    EXPECT_EQ(DIBValue(Red), capture.ReadOne(0, 0) & ColourBits);

    CCapture printed(nullptr, 16, 16);
    printed.Execute(CaptureMethodPrint);
    EXPECT_EQ(7u, printed.command.status);
    EXPECT_FALSE(printed.surface.IsAttached());
}

TEST(WindowCapture, InvalidParametersChangeNothing)
{
    HWND gone;
    {
        CCaptureTestWindow window(Bounds, RedGreenBlue);
        gone = window.Get();
    }
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CDIBSurface notSetUp;
    // Each row spoils one parameter of an otherwise good 16 x 16 copy.
    const struct
    {
        const char* label;
        void (*spoil)(CWindowCaptureCommand& command, HWND gone, CDIBSurface* notSetUp);
    } rows[] = {
        {"no width",               [](CWindowCaptureCommand& c, HWND,   CDIBSurface*) { c.width = 0; }        },
        {"no height",              [](CWindowCaptureCommand& c, HWND,   CDIBSurface*) { c.height = 0; }       },
        {"no surface",             [](CWindowCaptureCommand& c, HWND,   CDIBSurface*) { c.surface = nullptr; }},
        {"a surface not set up",
         [](CWindowCaptureCommand& c,                           HWND,   CDIBSurface* s) { c.surface = s; }    },
        {"a window that is gone",
         [](CWindowCaptureCommand& c,                           HWND g, CDIBSurface*) { c.window = g; }       },
        {"wider than the section",
         [](CWindowCaptureCommand& c,                           HWND,   CDIBSurface*) { c.width = 17; }       },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        CCapture capture(window.Get(), 16, 16);
        row.spoil(capture.command, gone, &notSetUp);
        capture.Execute(CaptureMethodCopy);
        EXPECT_EQ(7u, capture.command.status);
        EXPECT_EQ(0u, capture.ReadOne(0, 0));
    }
}

TEST(WindowCapture, WholeAlphaMakesEveryPixelOpaqueAndKeepsColours)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 64, 64);
    capture.Execute(CaptureMethodCopy, AlphaModeWhole);
    EXPECT_EQ(0u, capture.command.status);
    for (uint32_t i = 0; i < 64 * 64; ++i)
        ASSERT_EQ(0xFF000000u, capture.Elements<uint32_t>()[i] & 0xFF000000u) << i;
    EXPECT_EQ(0xFF000000u | DIBValue(Red), capture.ReadOne(0, 0));
    EXPECT_EQ(0xFF000000u | DIBValue(Green), capture.ReadOne(63, 63));
}

// Region rectangles are window coordinates; the capture's rows are DIB rows,
// so the top ten rows of the window are the last ten rows in memory. A
// rectangle right of a narrower capture sets nothing.
TEST(WindowCapture, RegionAlphaFollowsTheWindowRegionInDIBRows)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    const RECT parts[] = {
        {0,  0,  64, 10},
        {40, 10, 64, 64}
    };
    window.SetRegion(parts, 2);
    CCapture capture(window.Get(), 32, 64);
    capture.Execute(CaptureMethodCopy, AlphaModeRegion);
    EXPECT_EQ(0u, capture.command.status);
    for (uint32_t row = 0; row < 64; ++row) {
        for (uint32_t column = 0; column < 32; ++column) {
            const uint32_t alpha = capture.Elements<uint32_t>()[row * 32 + column] >> 24;
            ASSERT_EQ(row >= 54 ? 0xFFu : 0u, alpha) << row << "," << column;
        }
    }
    EXPECT_EQ(0xFF000000u | DIBValue(Red), capture.ReadOne(0, 0));
    EXPECT_EQ(DIBValue(Red), capture.ReadOne(0, 10));
}

TEST(WindowCapture, RegionAlphaWithoutARegionOrOnAConsoleIsWhole)
{
    CCaptureTestWindow plain(Bounds, RedGreenBlue);
    CCapture capture(plain.Get(), 64, 64);
    capture.Execute(CaptureMethodCopy, AlphaModeRegion);
    EXPECT_EQ(0xFF000000u | DIBValue(Green), capture.ReadOne(63, 63));

    CCaptureTestWindow console(Bounds, RedGreenBlue, 0, L"ConsoleWindowClass");
    console.SetRegion(Squares, 2);
    CCapture consoleCapture(console.Get(), 64, 64);
    consoleCapture.Execute(CaptureMethodCopy, AlphaModeRegion);
    EXPECT_EQ(0u, consoleCapture.command.status);
    for (uint32_t i = 0; i < 64 * 64; ++i)
        ASSERT_EQ(0xFF000000u, consoleCapture.Elements<uint32_t>()[i] & 0xFF000000u) << i;
}

TEST(WindowCapture, Rgb555AtOddWidthPatchesFivePixelsOfEachSixElementRow)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 5, 4, DIBFormatRGB555);
    capture.Execute(CaptureMethodCopy, AlphaModeWhole);
    EXPECT_EQ(0u, capture.command.status);
    const uint16_t* p = capture.Elements<uint16_t>();
    for (uint32_t i = 0; i < 24; ++i) {
        if (i % 6 == 5)
            EXPECT_EQ(0, p[i]) << i;
        else
            EXPECT_EQ(0x8000 | 0x7C00, p[i]) << i;  // opaque red
    }
}

TEST(WindowCapture, Rgb565IsNeverPatched)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 5, 4, DIBFormatRGB565);
    for (int32_t mode : {AlphaModeWhole, AlphaModeRegion}) {
        capture.Execute(CaptureMethodCopy, mode);
        EXPECT_EQ(0u, capture.command.status);
        const uint16_t* p = capture.Elements<uint16_t>();
        for (uint32_t i = 0; i < 24; ++i)
            EXPECT_EQ(i % 6 == 5 ? 0 : 0xF800, p[i]) << i;
    }
}

// The window's logical left half is red; laid out right to left it shows on
// the right. The picture must show the window as the screen does.
TEST(WindowCapture, RightToLeftWindowIsNotMirrored)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue, WS_EX_LAYOUTRTL);
    CCapture capture(window.Get(), 64, 64);
    capture.Execute(CaptureMethodCopy);
    EXPECT_EQ(0u, capture.command.status);
    EXPECT_EQ(Expected({
                  Green, Red
    }),
              Colours(capture.Read({{0, 5}, {63, 5}})));
}

TEST(WindowCapture, RedrawsAfterPrintingOnlyWhenAsked)
{
    CCaptureTestWindow window(Bounds, RedGreenBlue);
    CCapture capture(window.Get(), 64, 64);
    const int before = window.GetPaintCount();
    capture.Execute(CaptureMethodPrint);
    PumpMessages();
    EXPECT_EQ(before, window.GetPaintCount());
    capture.command.redrawAfterPrint = 1;
    capture.Execute(CaptureMethodPrint);
    EXPECT_EQ(before + 1, window.GetPaintCount());
    capture.command.redrawAfterPrint = 1;
    capture.Execute(CaptureMethodCopy);
    EXPECT_EQ(before + 1, window.GetPaintCount());
}
