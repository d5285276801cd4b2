// Sanitizers at full strength in every test program, however it is started
// (ctest, by hand, from a debugger): stack use after return and strict string
// checks cost time but catch what the defaults let through.
#include <cstdlib>

#ifndef QX_SOURCE_DIR
#define QX_SOURCE_DIR "."
#endif

extern "C" {

__attribute__((used, visibility("default"))) const char* __asan_default_options() {
    return "detect_stack_use_after_return=1:strict_string_checks=1:detect_leaks=1";
}

__attribute__((used, visibility("default"))) const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}

}

#if defined(__SANITIZE_THREAD__)
namespace {

// Every report fails the test; only Qt's own frames are suppressed. Programs
// a test starts (the station itself) inherit the same options.
constexpr const char* kTsanOptions = "halt_on_error=1:second_deadlock_stack=1:history_size=4:die_after_fork=0:"
                                     "suppressions=" QX_SOURCE_DIR "/tests/sanitizer/tsan_suppressions.txt";

// Before Qt starts: Qt's own event dispatcher instead of GLib's keeps GLib's
// uninstrumented allocator out of the reports of Qt's pooled threads.
__attribute__((constructor)) void ChildEnvironment() {
    setenv("TSAN_OPTIONS", kTsanOptions, 0);
    setenv("QT_NO_GLIB", "1", 0);
}

}  // namespace

extern "C" __attribute__((used, visibility("default"))) const char* __tsan_default_options() { return kTsanOptions; }
#endif
