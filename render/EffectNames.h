#pragma once
// Names the shared module's effects fix: the techniques that composite a draw onto the
// scene and the texture parameters the effects sample. Named once here; an effect of
// the module that renames one is followed in one place.

// The one technique of an effect that draws a single way.
inline constexpr char kTechniqueMain[] = "Main";
// Composite techniques: the draw over the scene as normal, screen, sum, colour dodge
// and maximum blends.
inline constexpr char kTechniqueBlendNormal[] = "Blend_Normal";
inline constexpr char kTechniqueBlendScreen[] = "Blend_Screen";
inline constexpr char kTechniqueBlendSum[] = "Blend_Sum";
inline constexpr char kTechniqueBlendColorDodge[] = "PS_ColorDodge";
inline constexpr char kTechniqueBlendMax[] = "Blend_Max";
// The draw's mask kept at the maximum of what it already holds.
inline constexpr char kTechniqueBlendMaskMax[] = "BlendMask_Max";
// The same for a picture laid along a strip: repeated along it, clamped across it.
inline constexpr char kTechniqueBlendMaskMaxWrapU[] = "BlendMask_MaxWrapU";

// Texture parameters: an effect's single texture, else its numbered ones.
inline constexpr char kParamTexture[] = "Texture";
inline constexpr char kParamTexture1[] = "Texture1";
inline constexpr char kParamTexture2[] = "Texture2";
inline constexpr char kParamTexture3[] = "Texture3";

// What every effect brush's effect shares: the brush mask, the scene behind the brush
// and the picture scale (two values, or four with the aspect).
inline constexpr char kParamMask[] = "Mask";
inline constexpr char kParamBackground[] = "Background";
inline constexpr char kParamScale[] = "Scale";
