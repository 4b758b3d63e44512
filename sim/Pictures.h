// Pictures of the simulated LCD: single frames as PNG files and a whole run as an animated GIF,
// written with libpng and giflib. A frame is drawn 4 times its size, each LCD pixel a 3 x 3 dot
// with a dark gap, lit dots in the amber of the keyboard's LCD, inside a thin bezel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

constexpr int kLcdWidth = 160;
constexpr int kLcdHeight = 43;
constexpr int kPictureScale = 4;
constexpr int kBezel = 6;
constexpr int kPictureWidth = kLcdWidth * kPictureScale + 2 * kBezel;
constexpr int kPictureHeight = kLcdHeight * kPictureScale + 2 * kBezel;

// Colour indexes of a picture.
enum PictureColour : uint8_t { kBezelColour, kGapColour, kDarkDot, kLitDot, kPictureColours };

struct Rgb {
    uint8_t r, g, b;
};
const Rgb* PicturePalette();  // kPictureColours entries

// One frame as the LCD shows it: 0 dark, 1 lit, kLcdWidth x kLcdHeight.
using LitMask = std::vector<uint8_t>;
// The frame's bytes as the service received them (a byte above 128 is lit).
LitMask MaskOf(const std::vector<unsigned char>& pixels);

struct Picture {
    int width = kPictureWidth;
    int height = kPictureHeight;
    std::vector<uint8_t> colours;  // one PictureColour per pixel, rows top to bottom
};
Picture PictureOf(const LitMask& mask);

bool WritePng(const std::string& path, const Picture& picture, std::string& error);

// Each frame that differs from the one before it, as DIR/frame-0001.png, frame-0002.png, ...
class PngSeries {
public:
    // Makes the folder if need be (in a folder that is there), and removes the frames an earlier
    // run left in it; refuses a folder that holds anything else.
    bool Open(const std::string& dir, std::string& error);
    void Add(const LitMask& mask);
    int Written() const { return written_; }
    // The first write that failed, if any: no frame is written after it.
    const std::string& Error() const { return error_; }

private:
    std::string dir_;
    LitMask last_;
    int written_ = 0;
    std::string error_;
};

// The run as an animated GIF that loops: one image per frame that differs from the one before,
// shown until the next one came (in simulated time), the last until the end of the run. After
// the first image only the rectangle that changed is stored.
class GifRecorder {
public:
    GifRecorder();
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Creates the file at once, so that a path that cannot be written is known before the run.
    bool Open(const std::string& path, std::string& error);
    // A frame shown at simulated time t (ms).
    void Add(uint32_t t, const LitMask& mask);
    // Writes the last image, shown until endT, and closes the file. False, with the first
    // write that failed, when any did.
    bool Close(uint32_t endT, std::string& error);
    int Images() const { return images_; }

private:
    bool WritePending(uint32_t until);

    struct File;
    std::unique_ptr<File> file_;
    LitMask written_;  // what the GIF shows after the images written so far
    LitMask pending_;
    uint32_t pendingT_ = 0;
    bool hasPending_ = false;
    long long shownCs_ = 0;  // how long the images written so far show, in centiseconds
    uint32_t firstT_ = 0;
    int images_ = 0;
    std::string path_;
    std::string error_;
};

}  // namespace sim
