// The form tests run under the leak checker, and Qt's font set-up leaves
// fontconfig's pattern caches for the process's life: not ours to free.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
