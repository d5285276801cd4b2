#include "utility/saved_page_text.h"

#include <fstream>

#include "ui/prompter.h"

namespace qx::utility {

std::string PageFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

bool SavePageText(ui::Prompter& prompter, const std::string& folder, const std::string& defaultName,
                  const std::vector<std::string>& lines) {
    ui::FileRequest request;
    request.kind = ui::FileDialogKind::Save;
    request.folder = folder;
    request.fileName = defaultName;
    request.filter = "*.txt";
    request.defaultExt = "txt";
    const auto chosen = prompter.File(request);
    if (!chosen) return false;
    std::ofstream out(*chosen, std::ios::binary | std::ios::trunc);
    const std::string text = PageFileText(lines);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

}  // namespace qx::utility
