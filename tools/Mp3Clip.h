#pragma once
// A compressed music file made in code for tests: MPEG-1 Layer III frames at
// 48000 Hz, mono, 128 kbit/s, every frame silent (no coded samples). Any decoder of
// the format plays it; the DirectShow graphs of the MP3 sound item take it like a
// recorded file.

#include <vector>

namespace ds_tools {

// Samples one Layer III frame stands for.
const unsigned int kMp3SamplesPerFrame = 1152;
const unsigned int kMp3SampleRate = 48000;
// 144 x bit rate / sample rate: 384 bytes, no padding at this rate.
const unsigned int kMp3FrameBytes = 384;

// Whole frames covering at least `seconds` (at least one frame).
std::vector<unsigned char> EncodeSilentMp3(double seconds);

}  // namespace ds_tools
