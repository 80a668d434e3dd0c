#pragma once
// A RIFF/WAVE file held in memory (a sound of the document's file library), parsed
// into its format block and its sample bytes. The bytes come from the document, so
// every chunk size is checked against the bytes present and the format is checked
// before anything is made from it.

#include <windows.h>
#include <mmreg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct DS_WAVData {
  // The whole format block: a WAVEFORMATEX followed by its cbSize extra bytes.
  std::vector<unsigned char> format;
  std::vector<unsigned char> samples;

  const WAVEFORMATEX& Format() const {
    return *reinterpret_cast<const WAVEFORMATEX*>(format.data());
  }
};

// Parses `size` bytes as RIFF/WAVE. False (and `wav` unchanged) for anything that is
// not a complete file with a valid 'fmt ' and a non-empty 'data' chunk.
bool ParseWAVFile(const unsigned char* bytes, size_t size, DS_WAVData& wav);

// The shown length of `dataBytes` at `bytesPerSecond`, in hundredths of a second,
// rounded to nearest; 0 for a zero rate, saturated at the int range.
int WAVLengthHundredths(uint64_t dataBytes, uint32_t bytesPerSecond);
