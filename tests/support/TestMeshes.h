#pragma once
// Small .x meshes for the tests that load meshes from bytes, as a document embeds them.

namespace ds_test {

// A cube of half-size 1 about the origin (bounding radius sqrt(3)), as the fixture
// module holds it; pass sizeof(kCubeX) - 1 bytes.
const char kCubeX[] =
    "xof 0303txt 0032\n"
    "Mesh Cube {\n 8;\n"
    " -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,\n"
    " -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;\n"
    " 12;\n"
    " 3;0,3,2;, 3;0,2,1;, 3;4,5,6;, 3;4,6,7;, 3;0,4,7;, 3;0,7,3;,\n"
    " 3;1,2,6;, 3;1,6,5;, 3;0,1,5;, 3;0,5,4;, 3;3,7,6;, 3;3,6,2;;\n"
    "}\n";

}  // namespace ds_test
