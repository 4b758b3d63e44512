// Pictures of the LCD: PNG files and animated GIFs, read back with libpng's and giflib's own
// readers.
#include <gif_lib.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/Pictures.h"

namespace {

using sim::LitMask;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "/pictures_" + name + std::to_string(getpid());
}

LitMask Dark() {
    return LitMask(sim::kLcdWidth * sim::kLcdHeight, 0);
}

// A frame with a lit block, so that frames differ in a small rectangle only.
LitMask Block(int left, int top, int width, int height) {
    LitMask mask = Dark();
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            mask[y * sim::kLcdWidth + x] = 1;
    return mask;
}

struct GifImage {
    int delayCs;
    std::vector<uint8_t> canvas;  // the whole picture as shown once this image is drawn
};

struct GifRead {
    bool ok = false;
    int width = 0, height = 0;
    bool loops = false;
    std::vector<GifImage> images;
    std::vector<sim::Rgb> colours;
};

// Decodes the GIF with giflib and composes each image onto what the ones before it left, as
// a viewer does for images that are not disposed.
GifRead ReadGif(const std::string& path) {
    GifRead read;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return read;
    if (DGifSlurp(gif) == GIF_OK) {
        read.ok = true;
        read.width = gif->SWidth;
        read.height = gif->SHeight;
        for (int i = 0; gif->SColorMap && i < gif->SColorMap->ColorCount; ++i)
            read.colours.push_back({gif->SColorMap->Colors[i].Red, gif->SColorMap->Colors[i].Green,
                                    gif->SColorMap->Colors[i].Blue});
        std::vector<uint8_t> canvas(read.width * read.height, 0);
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            for (int e = 0; e < image.ExtensionBlockCount; ++e) {
                const ExtensionBlock& block = image.ExtensionBlocks[e];
                if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                    std::string(reinterpret_cast<char*>(block.Bytes), 11) == "NETSCAPE2.0")
                    read.loops = true;
            }
            GraphicsControlBlock control{};
            control.DelayTime = -1;
            DGifSavedExtensionToGCB(gif, i, &control);
            const GifImageDesc& d = image.ImageDesc;
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x)
                    canvas[(d.Top + y) * read.width + d.Left + x] =
                        image.RasterBits[y * d.Width + x];
            read.images.push_back({control.DelayTime, canvas});
        }
    }
    DGifCloseFile(gif, &error);
    return read;
}

TEST(Gif, OneImagePerDistinctFrameShownForAsLongAsItWas) {
    std::string path = TempPath("distinct.gif");
    LitMask a = Block(10, 5, 20, 8), b = Block(100, 30, 7, 3);
    sim::GifRecorder gif;
    std::string error;
    ASSERT_TRUE(gif.Open(path, error)) << error;
    gif.Add(0, a);
    gif.Add(50, a);  // the same frame again: no new image
    gif.Add(100, b);
    gif.Add(150, b);
    gif.Add(230, a);
    ASSERT_TRUE(gif.Close(1000, error)) << error;

    GifRead read = ReadGif(path);
    ASSERT_TRUE(read.ok) << "giflib cannot read " << path;
    EXPECT_EQ(read.width, sim::kPictureWidth);
    EXPECT_EQ(read.height, sim::kPictureHeight);
    EXPECT_TRUE(read.loops) << "expected the looping application block";
    ASSERT_EQ(read.images.size(), 3u) << "expected a, b, a: repeated frames are no new images";
    const int delays[] = {10, 13, 77};
    const LitMask* frames[] = {&a, &b, &a};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(read.images[i].delayCs, delays[i]) << "delay of image " << i;
        EXPECT_TRUE(read.images[i].canvas == sim::PictureOf(*frames[i]).colours)
            << "image " << i << " does not show its frame once composed";
    }
    ASSERT_EQ(read.colours.size(), 4u);
    EXPECT_EQ(read.colours[sim::kLitDot].r, sim::PicturePalette()[sim::kLitDot].r);
    std::remove(path.c_str());
}

TEST(Gif, DelaysDoNotDriftWhenFramesFallBetweenCentiseconds) {
    std::string path = TempPath("drift.gif");
    sim::GifRecorder gif;
    std::string error;
    ASSERT_TRUE(gif.Open(path, error)) << error;
    // Thirty frames 33 ms apart: each delay is 3 or 4 cs, and together they make the run.
    for (int i = 0; i < 30; ++i)
        gif.Add(i * 33, Block(i, 0, 1, 1));
    ASSERT_TRUE(gif.Close(990, error)) << error;
    GifRead read = ReadGif(path);
    ASSERT_EQ(read.images.size(), 30u);
    int total = 0;
    for (const auto& image : read.images) {
        EXPECT_TRUE(image.delayCs == 3 || image.delayCs == 4) << "came " << image.delayCs;
        total += image.delayCs;
    }
    EXPECT_EQ(total, 99) << "expected the 990 ms of the run";
    std::remove(path.c_str());
}

TEST(Gif, AnLcdThatShowedNothingIsOneDarkImageAndABadPathFailsAtOnce) {
    std::string path = TempPath("empty.gif");
    sim::GifRecorder gif;
    std::string error;
    ASSERT_TRUE(gif.Open(path, error)) << error;
    ASSERT_TRUE(gif.Close(500, error)) << error;
    GifRead read = ReadGif(path);
    ASSERT_EQ(read.images.size(), 1u);
    EXPECT_EQ(read.images[0].delayCs, 50);
    EXPECT_TRUE(read.images[0].canvas == sim::PictureOf(Dark()).colours);
    std::remove(path.c_str());

    sim::GifRecorder nowhere;
    EXPECT_FALSE(nowhere.Open("/no/such/folder/x.gif", error));
    EXPECT_NE(error.find("/no/such/folder/x.gif"), std::string::npos) << error;
}

struct PngRead {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    sim::Rgb At(int x, int y) const {
        const uint8_t* p = &rgb[(y * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

PngRead ReadPng(const std::string& path) {
    PngRead read;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return read;
    image.format = PNG_FORMAT_RGB;
    read.rgb.resize(PNG_IMAGE_SIZE(image));
    read.width = image.width;
    read.height = image.height;
    read.ok = png_image_finish_read(&image, nullptr, read.rgb.data(), 0, nullptr) != 0;
    return read;
}

::testing::AssertionResult SameColour(sim::Rgb expected, sim::Rgb came) {
    if (expected.r == came.r && expected.g == came.g && expected.b == came.b)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "expected #%02x%02x%02x, came #%02x%02x%02x", expected.r,
                  expected.g, expected.b, came.r, came.g, came.b);
    return ::testing::AssertionFailure() << text;
}

TEST(Png, FrameIsScaledFourTimesInAmberInsideTheBezel) {
    std::string path = TempPath("frame.png");
    LitMask mask = Dark();
    mask[0] = 1;                          // top left
    mask[42 * sim::kLcdWidth + 159] = 1;  // bottom right
    std::string error;
    ASSERT_TRUE(sim::WritePng(path, sim::PictureOf(mask), error)) << error;
    PngRead png = ReadPng(path);
    ASSERT_TRUE(png.ok) << "libpng cannot read " << path;
    EXPECT_EQ(png.width, 160 * 4 + 2 * sim::kBezel);
    EXPECT_EQ(png.height, 43 * 4 + 2 * sim::kBezel);
    const sim::Rgb* palette = sim::PicturePalette();
    int b = sim::kBezel;
    EXPECT_TRUE(SameColour(palette[sim::kBezelColour], png.At(0, 0)));
    EXPECT_TRUE(SameColour(palette[sim::kLitDot], png.At(b, b)));
    EXPECT_TRUE(SameColour(palette[sim::kLitDot], png.At(b + 2, b + 2)));
    EXPECT_TRUE(SameColour(palette[sim::kGapColour], png.At(b + 3, b)));
    EXPECT_TRUE(SameColour(palette[sim::kDarkDot], png.At(b + 4, b)));
    EXPECT_TRUE(SameColour(palette[sim::kLitDot], png.At(b + 159 * 4 + 1, b + 42 * 4 + 1)));
    EXPECT_TRUE(SameColour(palette[sim::kBezelColour], png.At(png.width - 1, png.height - 1)));
    std::remove(path.c_str());
}

TEST(Png, SeriesWritesEachFrameThatDiffersFromTheOneBefore) {
    std::string dir = TempPath("series");
    // The series makes its own folder, in one that is there.
    std::filesystem::create_directories(dir + "/made");
    sim::PngSeries series;
    std::string error;
    ASSERT_TRUE(series.Open(dir + "/made/here", error)) << error;
    LitMask a = Block(0, 0, 3, 3), b = Block(50, 20, 3, 3);
    for (const LitMask* frame : {&a, &a, &b, &b, &a})
        series.Add(*frame);
    EXPECT_EQ(series.Written(), 3);
    EXPECT_TRUE(series.Error().empty()) << series.Error();
    for (const char* name : {"frame-0001.png", "frame-0002.png", "frame-0003.png"})
        EXPECT_TRUE(ReadPng(dir + "/made/here/" + name).ok) << name;
    EXPECT_FALSE(std::filesystem::exists(dir + "/made/here/frame-0004.png"));
    PngRead second = ReadPng(dir + "/made/here/frame-0002.png");
    EXPECT_TRUE(SameColour(sim::PicturePalette()[sim::kLitDot],
                           second.At(sim::kBezel + 50 * 4, sim::kBezel + 20 * 4)))
        << "the second picture is frame b";
    std::filesystem::remove_all(dir);
}

// The frames of a velm-sim log, each as a mask, with its time.
std::vector<std::pair<uint32_t, LitMask>> LoggedFrames(const std::string& log) {
    std::vector<std::pair<uint32_t, LitMask>> frames;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"event\":\"frame\"") == std::string::npos)
            continue;
        uint32_t t = static_cast<uint32_t>(std::stoul(line.substr(5)));
        LitMask mask;
        size_t rows = line.find("\"rows\":[");
        for (size_t i = rows + 8; i < line.size(); ++i)
            if (line[i] == '#' || line[i] == '.')
                mask.push_back(line[i] == '#');
        frames.emplace_back(t, mask);
    }
    return frames;
}

TEST(Gif, VelmSimWritesOneImageForEachDistinctFrameItLogged) {
    std::string gifPath = TempPath("run.gif"), log = TempPath("run.jsonl");
    std::string command = std::string(VELM_BUILD_DIR) +
                          "/velm-sim -e 'wait 1200; soft 2; wait 600; soft 3; wait 400' --gif " +
                          gifPath + " --log " + log + " 2>&1";
    ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0) << command;
    auto frames = LoggedFrames(log);
    std::vector<std::pair<uint32_t, LitMask>> distinct;
    for (const auto& frame : frames)
        if (distinct.empty() || distinct.back().second != frame.second)
            distinct.push_back(frame);
    GifRead read = ReadGif(gifPath);
    ASSERT_TRUE(read.ok);
    if (distinct.empty()) {
        ASSERT_EQ(read.images.size(), 1u) << "no frame shown: one dark image";
    } else {
        ASSERT_EQ(read.images.size(), distinct.size());
        for (size_t i = 0; i < distinct.size(); ++i)
            EXPECT_TRUE(read.images[i].canvas == sim::PictureOf(distinct[i].second).colours)
                << "image " << i << " is not the frame logged at t " << distinct[i].first;
    }
    std::remove(gifPath.c_str());
    std::remove(log.c_str());
}

}  // namespace
