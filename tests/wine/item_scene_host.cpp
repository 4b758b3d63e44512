// The LCD items drawn by the win64 build with Wine's GDI, against the reference frame that
// the host build's own test compares hostwin's drawing with.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/ItemScene.h"

TEST(ItemScene, MatchesTheReferenceFrame) {
    // Wine's prefix has no Tahoma of its own; these are the files the host build draws with.
    AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\tahoma.ttf", FR_PRIVATE, nullptr);
    AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\tahomabd.ttf", FR_PRIVATE, nullptr);
    frameart::Art drawn = itemscene::Draw();
    // Prints the frame, for deriving a new reference from Wine's drawing.
    if (getenv("VELM_DUMP_SCENE"))
        for (const auto& row : drawn)
            fprintf(stderr, "%s\n", row.c_str());
    frameart::Art reference = frameart::Read(VELM_TEST_DATA "/item_scene.txt");
    ASSERT_EQ(reference.size(), 43u) << "reference frame missing";
    EXPECT_TRUE(frameart::Same(reference, drawn));
}
