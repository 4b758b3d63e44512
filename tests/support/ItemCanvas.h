// One item drawn on a 160 x 43 screen, frame by frame, on the hand-driven clock.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "hostwin/control/clock.h"
#include "lcd/LCDManager.h"
#include "support/FrameArt.h"

class ItemCanvas : public ::testing::Test {
protected:
    void SetUp() override {
        control::UseManualClock(10000);
        ASSERT_EQ(screen.Initialize(), S_OK);
    }
    void TearDown() override {
        screen.Shutdown();
        control::UseRealClock();
    }
    void Add(CLCDBase* item) { screen.AppendChild(item); }
    // One frame: time moves on by ms, the screen advances its items and draws them.
    frameart::Art Frame(DWORD ms = 0) {
        Tick(ms);
        return Pixels();
    }
    // The same without reading the pixels back.
    void Tick(DWORD ms) {
        if (ms)
            control::AdvanceClock(ms);
        screen.Update(GetTickCount());
        screen.Draw();
    }
    frameart::Art Pixels() {
        CLCDGfx& gfx = screen.GetGfx();
        return frameart::FromPixels(gfx.GetPixels(), gfx.GetWidth(), gfx.GetHeight(),
                                    gfx.GetWidth());
    }
    bool Lit(const frameart::Art& art, int x, int y) { return art[y][x] == '#'; }
    // Columns of row y that are lit.
    std::string Row(const frameart::Art& art, int y, int from, int to) {
        return art[y].substr(from, to - from);
    }

    CLCDManager screen;
};
