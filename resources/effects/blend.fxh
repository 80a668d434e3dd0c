// Blend formulas that several effects lay their layers over the scene with. Colours
// are 0..1; `layer` is already weighted by its coverage.

// Lightens: white stays white, black leaves the scene as it is.
float3 BlendScreen(float3 scene, float3 layer)
{
    return scene + layer - scene * layer;
}

// Brightens the scene by dividing it by the layer's inverse; the floor keeps a fully
// white layer from dividing by zero.
float3 BlendColorDodge(float3 scene, float3 layer)
{
    return saturate(scene / max(1.0 - layer, 1.0 / 255.0));
}
