// Every kind of item in one frame, against the frame that GDI under Wine draws from the same
// code (tests/wine runs the same comparison there).
#include <gtest/gtest.h>

#include "support/ItemScene.h"

TEST(ItemScene, MatchesTheFrameWineDraws) {
    frameart::Art reference = frameart::Read(VELM_TEST_DATA "/item_scene.txt");
    ASSERT_EQ(reference.size(), 43u) << "reference frame missing";
    EXPECT_TRUE(frameart::Same(reference, itemscene::Draw()));
}
