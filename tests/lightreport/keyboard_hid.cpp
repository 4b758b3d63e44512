// Finding the keyboard among the HID interfaces, and the light report's bytes both ways.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "hostwin/control/hid.h"
#include "lightreport/KeyboardHid.h"

namespace {

using Report = std::array<unsigned char, 4>;

// A device that records the reports it gets and answers reads with fixed bytes 1 to 3.
struct RawDevice {
    int id = 0;
    std::vector<Report> sets;
    std::vector<Report> gets;  // as the host handed them in
    Report answer = {2, 0, 0, 0};
    bool fails = false;
};

class KeyboardHid : public ::testing::Test {
protected:
    void TearDown() override {
        control::UnplugAllHidDevices();
        g_keyboardFound = 0;
        for (int selector : {kLightSelector1, kLightSelector2, kLightMkeys})
            SetSavedLight(selector, 0);
    }

    RawDevice& Plug(const std::string& name, USHORT vendor, USHORT product, bool opens = true) {
        devices.push_back(std::make_unique<RawDevice>());
        RawDevice* raw = devices.back().get();
        control::HidDevice device;
        device.path = "\\\\?\\hid#" + name;
        device.vendorId = vendor;
        device.productId = product;
        device.opens = opens;
        device.onFeature = [raw](bool set, unsigned char* report, unsigned long length) {
            if (length != 4 || raw->fails)
                return false;
            Report bytes = {report[0], report[1], report[2], report[3]};
            (set ? raw->sets : raw->gets).push_back(bytes);
            if (!set)
                for (int i = 1; i < 4; ++i)
                    report[i] = raw->answer[i];
            return true;
        };
        raw->id = control::PlugHidDevice(device);
        return *raw;
    }
    RawDevice& PlugG15(const std::string& name = "g15") { return Plug(name, 0x046D, 0xC222); }

    void Find() {
        g_keyboardFound = FindKeyboard();
        ASSERT_EQ(g_keyboardFound, 1) << "expected the keyboard to be found";
    }

    std::vector<std::unique_ptr<RawDevice>> devices;
};

TEST_F(KeyboardHid, TheFirstMatchingInterfaceThatOpensWinsAndTheOthersAreClosed) {
    RawDevice& otherProduct = Plug("other-product", 0x046D, 0xC223);
    RawDevice& otherVendor = Plug("other-vendor", 0x046E, 0xC222);
    RawDevice& busy = Plug("busy", 0x046D, 0xC222, false);
    RawDevice& first = PlugG15("first");
    RawDevice& second = PlugG15("second");
    Find();
    WriteLight(kLightMkeys, 15);
    EXPECT_EQ(first.sets.size(), 1u) << "the lowest index that opens and matches is used";
    EXPECT_TRUE(second.sets.empty() && busy.sets.empty());
    EXPECT_EQ(control::OpenHidHandles(otherProduct.id), 0) << "a non-matching interface is closed";
    EXPECT_EQ(control::OpenHidHandles(otherVendor.id), 0);
    EXPECT_EQ(control::OpenHidHandles(first.id), 1);
    EXPECT_EQ(control::OpenHidHandles(second.id), 0) << "the search stops at the keyboard";

    // A second search in the same load keeps one handle, not two.
    Find();
    EXPECT_EQ(control::OpenHidHandles(first.id), 1);
}

TEST_F(KeyboardHid, WithoutAKeyboardNothingIsFound) {
    RawDevice& other = Plug("mouse", 0x046D, 0xC050);
    EXPECT_EQ(FindKeyboard(), 0);
    EXPECT_TRUE(other.sets.empty() && other.gets.empty());
}

// The found flag alone guards the reports: even with a keyboard's handle open, nothing reaches
// it while the flag says there is no keyboard.
TEST_F(KeyboardHid, NoReportWhileTheKeyboardCountsAsNotFound) {
    RawDevice& g15 = PlugG15();
    g15.answer = {2, 1, 7, 7};
    Find();
    g_keyboardFound = 0;
    EXPECT_EQ(ReadLight(kLightSelector1), 0);
    WriteLight(kLightMkeys, 15);
    SaveLightState();
    RestoreLight(kLightMkeys);
    EXPECT_TRUE(g15.sets.empty() && g15.gets.empty())
        << "no report may reach the device while the keyboard is not found";
    EXPECT_EQ(GetSavedLight(kLightMkeys), 0);
}

TEST_F(KeyboardHid, ReadsAskForTheSelectorAndTakeTheirByteOfTheAnswer) {
    RawDevice& g15 = PlugG15();
    Find();
    g15.answer = {2, 0x55, 0x12, 9};
    EXPECT_EQ(ReadLight(kLightSelector1), 0x12);
    EXPECT_EQ(ReadLight(kLightSelector2), 0x20) << "byte 2 shifted left by four, upper bits lost";
    EXPECT_EQ(ReadLight(kLightMkeys), 9) << "the M-key mask comes from byte 3";
    ASSERT_EQ(g15.gets.size(), 3u);
    EXPECT_EQ(g15.gets[0], (Report{2, 1, 0, 0}));
    EXPECT_EQ(g15.gets[1], (Report{2, 2, 0, 0}));
    EXPECT_EQ(g15.gets[2], (Report{2, 4, 0, 0}));
    g15.fails = true;
    EXPECT_EQ(ReadLight(kLightSelector1), 0) << "a failed read yields 0";
}

TEST_F(KeyboardHid, WritesSendReportTwoWithSelectorAndValue) {
    RawDevice& g15 = PlugG15();
    Find();
    WriteLight(kLightMkeys, 15);
    WriteLight(kLightSelector1, 2);
    WriteLight(kLightSelector2, 0x30);
    ASSERT_EQ(g15.sets.size(), 3u);
    EXPECT_EQ(g15.sets[0], (Report{2, 4, 15, 0}));
    EXPECT_EQ(g15.sets[1], (Report{2, 1, 2, 0}));
    EXPECT_EQ(g15.sets[2], (Report{2, 2, 0x30, 0}));
    g15.fails = true;
    WriteLight(kLightMkeys, 0);  // ignored, and no crash
}

TEST_F(KeyboardHid, SavedLightsAreReadInOrderAndWrittenBackEachInItsOwnReport) {
    RawDevice& g15 = PlugG15();
    Find();
    g15.answer = {2, 0, 0x13, 9};
    SaveLightState();
    ASSERT_EQ(g15.gets.size(), 3u);
    EXPECT_EQ(g15.gets[0][1], 1);
    EXPECT_EQ(g15.gets[1][1], 4);
    EXPECT_EQ(g15.gets[2][1], 2) << "selector 1, then the M-keys, then selector 2";
    EXPECT_EQ(GetSavedLight(kLightSelector1), 0x13);
    EXPECT_EQ(GetSavedLight(kLightMkeys), 9);
    EXPECT_EQ(GetSavedLight(kLightSelector2), 0x30);

    RestoreLight(kLightMkeys);
    RestoreLight(kLightSelector2);
    RestoreLight(kLightSelector1);
    RestoreLight(3);  // no such light: nothing sent
    ASSERT_EQ(g15.sets.size(), 3u);
    EXPECT_EQ(g15.sets[0], (Report{2, 4, 9, 0})) << "the M-key value read from byte 3 goes in 2";
    EXPECT_EQ(g15.sets[1], (Report{2, 2, 0x30, 0}));
    EXPECT_EQ(g15.sets[2], (Report{2, 1, 0x13, 0}));
}

}  // namespace
