// Sanitizer settings for test programs that start Qt WebEngine. Its browser engine is built
// without the sanitizers, frees some objects through a base type of another size and keeps some
// allocations until the process ends; neither is this program's doing. The settings of the
// environment (ASAN_OPTIONS, LSAN_OPTIONS) still apply on top of these.

extern "C" {

__attribute__((visibility("default"))) const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

__attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore\n";
}

}  // extern "C"
