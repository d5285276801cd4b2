// A stand-in for the factory's MES client, for the station's tests. It
// answers a WWN query on its standard output the way the real client does,
// and its environment makes it misbehave:
//   FAKE_MES_RECORD   file that receives its pid, then each argument on a line
//   FAKE_MES_REPLY    the reply to print (default "MES_OK:5000C500A1B2C3D4")
//   FAKE_MES_SILENT   1: print nothing
//   FAKE_MES_DELAY_MS wait this long before answering
//   FAKE_MES_HANG     1: never end
//   FAKE_MES_EXIT     the exit status (default 0)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

const char* Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* record = std::getenv("FAKE_MES_RECORD")) {
        if (std::FILE* f = std::fopen(record, "w")) {
            std::fprintf(f, "%d\n", static_cast<int>(::getpid()));
            for (int i = 1; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
            std::fclose(f);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(Env("FAKE_MES_DELAY_MS", "0"))));
    if (std::string(Env("FAKE_MES_HANG", "0")) == "1")
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    if (std::string(Env("FAKE_MES_SILENT", "0")) != "1") std::printf("%s\n", Env("FAKE_MES_REPLY", "MES_OK:5000C500A1B2C3D4"));
    return std::atoi(Env("FAKE_MES_EXIT", "0"));
}
