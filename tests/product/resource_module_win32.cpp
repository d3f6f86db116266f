// A module that holds nothing but its version resource; the brand tests load
// it to read that resource from its image.
extern "C" __declspec(dllexport) int krv_test_resource_module() { return 1; }
