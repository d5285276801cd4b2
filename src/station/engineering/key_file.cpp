#include "station/engineering/key_file.h"

#include <fstream>
#include <mutex>
#include <random>

#include "qxlib/settings/settings_key_scramble.h"
#include "ui/prompter.h"

namespace qx::station {

ByteGenerator ProcessKeyFiller() {
    return [] {
        // One engine for the whole process: reseeding per file from the clock
        // would repeat the filler of two files written in the same second.
        static std::mutex mutex;
        static std::mt19937 engine{std::random_device{}()};
        std::lock_guard lock(mutex);
        return static_cast<std::uint8_t>(engine() & 0xFFu);
    };
}

KeyFileImage BuildKeyFileImage(std::string_view text, const ByteGenerator& generator) {
    KeyFileImage image{};
    for (std::size_t k = 0; k < kKeyFileSize; ++k)
        image[k] = ScrambleKeyByte(generator(), static_cast<std::uint8_t>(k));
    for (std::size_t i = 0; i < kKeyLength; ++i) {
        const std::uint8_t c = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
        image[kKeyFirstPosition + 2 * i] = ScrambleKeyByte(c, static_cast<std::uint8_t>(i));
    }
    return image;
}

bool WriteKeyFile(const std::string& programFolder, std::string_view text, const ByteGenerator& generator,
                  ui::Prompter& prompter) {
    const std::string path = programFolder + kKeyFileName;
    const KeyFileImage image = BuildKeyFileImage(text, generator);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (out) out.close();
    if (!out) {
        prompter.Error("Cannot write the key file (" + path + ")");
        return false;
    }
    prompter.Message("Generate the key file (" + path + ") successfully");
    return true;
}

}  // namespace qx::station
