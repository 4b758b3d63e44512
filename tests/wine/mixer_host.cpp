// The mixer objects over Wine's real winmm, whatever mixer devices Wine finds there (on these
// machines none): construction, a read and a write must neither crash nor hang.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include "mixer/NemboMixer.h"

namespace {

struct Outcome {
    int ready[2];
    DWORD read[2];
    int written[2];
};

HWND MakeNotificationWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "wine mixer test";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
}

DWORD WINAPI Exercise(LPVOID param) {
    auto* out = static_cast<Outcome*>(param);
    HWND window = MakeNotificationWindow();
    CNemboMixer master(window, kMixerMasterComponent);
    CNemboMixer wave(window, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
    CNemboMixer* objects[] = {&master, &wave};
    for (int i = 0; i < 2; ++i) {
        out->ready[i] = objects[i]->ready.load();
        out->read[i] = objects[i]->GetValue();
        // Writes back what it read, so that a machine with a sound card keeps its volume.
        out->written[i] = objects[i]->SetValue(out->read[i]);
    }
    DestroyWindow(window);
    return 0;
}

TEST(WineMixer, BothObjectsConstructReadAndWriteWithoutCrashOrHang) {
    Outcome out = {};
    HANDLE thread = CreateThread(nullptr, 0, Exercise, &out, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0)
        << "expected construction, read and write to return within 20 s";
    CloseHandle(thread);
    const char* names[] = {"master", "wave"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        if (out.ready[i]) {
            EXPECT_LE(out.read[i], 65535u);
            continue;
        }
        EXPECT_EQ(out.read[i], 0u) << "expected a not-ready object to read 0";
        EXPECT_EQ(out.written[i], 0) << "expected a not-ready object to refuse the write";
    }
    if (mixerGetNumDevs() == 0) {
        EXPECT_EQ(out.ready[0] + out.ready[1], 0) << "expected no object ready without devices";
    }
}

}  // namespace
