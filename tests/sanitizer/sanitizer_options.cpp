// Sanitizers at full strength in every test program, however it is started
// (ctest, by hand, from a debugger): stack use after return and strict string
// checks cost time but catch what the defaults let through.
extern "C" {

__attribute__((used, visibility("default"))) const char* __asan_default_options() {
    return "detect_stack_use_after_return=1:strict_string_checks=1:detect_leaks=1";
}

__attribute__((used, visibility("default"))) const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}

}
