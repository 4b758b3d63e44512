// The spectrum's falling bars and peaks, their rows, and what a faulty player leaves.
#include <memory>
#include <vector>

#include "support/ItemCanvas.h"
#include "lcd/LCDSpectrum.h"
#include "testbed/SimulatedPlayer.h"

namespace {

// The player's side of the two functions, fed by the test.
char g_bands[150];
bool g_fault = false;
char* __cdecl Data() {
    if (g_fault)
        return reinterpret_cast<char*>(16);  // an address nobody can read
    return g_bands;
}
std::vector<int> g_requests;
void __cdecl Request(int what) {
    g_requests.push_back(what);
}

LRESULT CALLBACK PlayerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER && lp == kPlayerVisualData)
        return wp == 0 ? reinterpret_cast<LRESULT>(&Data) : reinterpret_cast<LRESULT>(&Request);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class SpectrumTest : public ItemCanvas {
protected:
    void SetUp() override {
        ItemCanvas::SetUp();
        std::fill(std::begin(g_bands), std::end(g_bands), 0);
        g_fault = false;
        g_requests.clear();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlayerProc;
        wc.lpszClassName = "spectrum test player";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "spectrum test player", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, nullptr, nullptr);
        spectrum = std::make_unique<CLCDSpectrum>(window);
        spectrum->SetOrigin(0, 8);
        spectrum->SetSize(160, 31);
        Add(spectrum.get());
    }
    void TearDown() override {
        DestroyWindow(window);
        ItemCanvas::TearDown();
    }
    // Screen column and row of a band's pixel at item row y.
    bool BandLit(const frameart::Art& art, int band, int y) {
        return Lit(art, 2 * band + 4, 8 + y);
    }
    HWND window = nullptr;
    std::unique_ptr<CLCDSpectrum> spectrum;
};

TEST_F(SpectrumTest, BandThatReadsThirtyOnceFallsAsPeaksAndBarsDo) {
    std::vector<int> peaks, levels;
    g_bands[0] = 30;
    Frame();
    peaks.push_back(spectrum->Peak(0));
    levels.push_back(spectrum->Level(0));
    g_bands[0] = 0;
    for (int i = 0; i < 20; ++i) {
        Frame();
        peaks.push_back(spectrum->Peak(0));
        levels.push_back(spectrum->Level(0));
    }
    std::vector<int> expectedPeaks = {30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 19,
                                      17, 15, 12, 9,  6,  2,  0,  0,  0,  0};
    std::vector<int> expectedLevels = {30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10,
                                       8,  6,  4,  2,  0,  -2, 0,  -2, 0,  -2};
    EXPECT_EQ(peaks, expectedPeaks);
    EXPECT_EQ(levels, expectedLevels);
    EXPECT_EQ(g_requests, std::vector<int>(21, 1)) << "the spectrum is asked for on every frame";
}

TEST_F(SpectrumTest, LinesBarsAndDotsLandOnTheirRows) {
    g_bands[0] = 10;  // bar top row 20
    g_bands[1] = 40;  // above the top: clipped, touches the top line
    HDC dc = screen.GetGfx().GetDrawingDC();
    HGDIOBJ penBefore = SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, penBefore);
    frameart::Art art = Frame();
    EXPECT_EQ(SelectObject(dc, penBefore), penBefore) << "the items drawn next get the pen back";
    for (int x = 0; x < 160; ++x) {
        ASSERT_TRUE(Lit(art, x, 8)) << "top line at column " << x;
        ASSERT_TRUE(Lit(art, x, 8 + 27)) << "baseline at column " << x;
    }
    for (int y = 20; y <= 27; ++y)
        EXPECT_TRUE(BandLit(art, 0, y)) << "band 0 row " << y;
    EXPECT_FALSE(BandLit(art, 0, 19));
    EXPECT_FALSE(BandLit(art, 0, 28));
    for (int y = 0; y <= 27; ++y)
        EXPECT_TRUE(BandLit(art, 1, y)) << "band 1 row " << y;
    EXPECT_FALSE(Lit(art, 5, 8 + 20)) << "odd columns stay dark";
    for (int y = 28; y < 31; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_FALSE(Lit(art, x, 8 + y)) << x << "," << y;
}

// The peak falls 1 a frame, the bar 2: after a loud frame the dot floats above the bar.
TEST_F(SpectrumTest, PeakDotFloatsAboveAFallingBar) {
    g_bands[0] = 30;
    Frame();
    g_bands[0] = 0;
    frameart::Art art;
    for (int i = 0; i < 5; ++i)
        art = Frame();
    ASSERT_EQ(spectrum->Peak(0), 25);
    ASSERT_EQ(spectrum->Level(0), 20);
    EXPECT_TRUE(BandLit(art, 0, 9)) << "peak 25: the dot on row 9";
    for (int y = 10; y <= 12; ++y)
        EXPECT_FALSE(BandLit(art, 0, y)) << "gap row " << y;
    for (int y = 13; y <= 27; ++y)
        EXPECT_TRUE(BandLit(art, 0, y)) << "level 20: bar row " << y;
    for (int y = 1; y < 9; ++y)
        EXPECT_FALSE(BandLit(art, 0, y)) << "above the dot, row " << y;
}

TEST_F(SpectrumTest, NegativeLevelsReachBelowTheBaselineInsideTheBox) {
    g_bands[2] = static_cast<char>(200);  // reads as -56: the bar keeps falling 2 a frame
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(spectrum->Level(2), -6);
    frameart::Art art = Frame();  // level -8: a line from row 29 down to its top row
    EXPECT_EQ(spectrum->Level(2), -8);
    EXPECT_TRUE(BandLit(art, 2, 29));
    EXPECT_TRUE(BandLit(art, 2, 30));
    EXPECT_FALSE(Lit(art, 8, 8 + 31)) << "nothing below the item's box";
}

TEST_F(SpectrumTest, FaultingPlayerDrawsNothingAndLeavesTheStateAsItWas) {
    g_bands[0] = 20;
    Frame();
    g_fault = true;
    frameart::Art art = Frame();
    EXPECT_EQ(spectrum->Peak(0), 20);
    EXPECT_EQ(spectrum->Level(0), 20);
    for (int x = 0; x < 160; ++x)
        ASSERT_FALSE(Lit(art, x, 8)) << "no top line in that frame";
    g_fault = false;
    Frame();
    EXPECT_EQ(spectrum->Peak(0), 19) << "one fall from where the faulty frame left it";
    EXPECT_EQ(spectrum->Level(0), 18);
}

TEST_F(SpectrumTest, PlayerWithoutTheFunctionsDrawsNothing) {
    CLCDSpectrum orphan(nullptr);
    orphan.SetSize(160, 31);
    screen.AppendChild(&orphan);
    spectrum->Show(FALSE);
    frameart::Art art = Frame();
    for (int y = 0; y < 43; ++y)
        ASSERT_EQ(art[y], std::string(160, '.'));
}

}  // namespace
