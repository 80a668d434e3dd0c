#pragma once
// Makes vkd3d's shader model 2 byte code obey the rules Direct3D 9 validates shaders
// against when it creates them (Wine does not validate, Windows does):
//   ps_2_0  the colour and depth outputs are written once, by a plain mov, whole;
//           source swizzles are the identity, a replicate (.x .y .z .w) or one of
//           .yzxw .zxyw .wzyx; no source modifier but negation.
//   both    at most 12 temporaries, and per instruction no more distinct registers of
//           a kind than the profile has read ports (ps_2_0: 2 constants, 1 texture
//           coordinate, 1 colour input, 3 temporaries; vs_2_0: 1 constant, 1 input,
//           3 temporaries).
// vkd3d writes outputs with any instruction and fills swizzle components that the
// instruction does not read with whatever; so outputs are redirected to a spare
// temporary and moved out at the end, and the unread swizzle components are chosen to
// make a legal swizzle. What cannot be mended that way is reported.

#include <cstdint>
#include <string>
#include <vector>

namespace ds_fxpack {

// The byte code, mended where needed. `problems` receives one line per rule the
// result still breaks (empty when it fits the profile).
std::vector<uint8_t> ConformToProfile(const std::vector<uint8_t>& byteCode, const std::string& profile,
                                      std::string& problems);

}  // namespace ds_fxpack
