#include "utility/pages/saved_page_text.h"

#include <cstdio>

#include "ui/prompter.h"

namespace qx::utility {

std::string SavedPageBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

bool SavePageText(ui::Prompter& prompter, SaveDialogState& dialog, const std::string& programFolder,
                  const std::string& defaultName, const std::vector<std::string>& lines) {
    if (dialog.initialFolder.empty()) dialog.initialFolder = programFolder;
    ui::FileRequest request;
    request.kind = ui::FileDialogKind::Save;
    request.folder = dialog.initialFolder;
    request.fileName = defaultName;
    request.defaultExt = "txt";
    request.filter = "*.txt";
    const std::optional<std::string> chosen = prompter.File(request);
    if (!chosen) return false;
    return WriteWholeFile(*chosen, SavedPageBytes(lines));
}

}  // namespace qx::utility
