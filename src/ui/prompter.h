// Every message box, text input, file dialog and bar-code entry of both
// programs goes through one Prompter. The window installs a Qt one; tests
// install a ScriptedPrompter that records each text exactly and answers from
// a script. Texts are the programs' own 8-bit strings, passed unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qx::ui {

enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class BoxAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// The answer of a box nobody is there to click: its first button.
inline BoxAnswer DefaultAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok:
    case BoxButtons::OkCancel: return BoxAnswer::Ok;
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel: return BoxAnswer::Yes;
    case BoxButtons::RetryCancel: return BoxAnswer::Retry;
    case BoxButtons::AbortRetryIgnore: return BoxAnswer::Abort;
    }
    return BoxAnswer::Ok;
}

struct BoxRequest {
    std::string caption;   // empty: no caption
    std::string text;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
};

struct InputRequest {
    std::string caption;
    std::string prompt;
    std::string initial;
    bool password = false;   // echo hidden characters
};

enum class FileDialogKind { Open, Save };

struct FileRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string caption;
    std::string folder;     // where the dialog starts
    std::string fileName;   // suggested name
    std::string filter;     // "Text files (*.txt)|*.txt" pairs, as the programs write them
    std::string defaultExt;
};

// The bar-code dialog: two labelled edits; which are shown and what their
// labels say depends on what is being scanned.
struct BarcodeRequest {
    std::string caption;
    std::string label1;
    std::string label2;     // empty: the second edit is hidden
    std::string text1;
    std::string text2;
    std::size_t maxLength1 = 0;   // characters a field takes; 0: no limit
    std::size_t maxLength2 = 0;
};

struct BarcodeAnswer {
    std::string text1;
    std::string text2;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual BoxAnswer Box(const BoxRequest& request) = 0;
    // nullopt: the user cancelled.
    virtual std::optional<std::string> Input(const InputRequest& request) = 0;
    virtual std::optional<std::string> File(const FileRequest& request) = 0;
    virtual std::optional<BarcodeAnswer> Barcode(const BarcodeRequest& request) = 0;

    // Shorthands for the boxes the programs show most.
    void Message(const std::string& text) { Box({"", text, BoxIcon::None, BoxButtons::Ok}); }
    void Error(const std::string& text) { Box({"Error", text, BoxIcon::Error, BoxButtons::Ok}); }
    void Warning(const std::string& text) { Box({"Warning", text, BoxIcon::Warning, BoxButtons::Ok}); }
    void Information(const std::string& caption, const std::string& text) {
        Box({caption, text, BoxIcon::Information, BoxButtons::Ok});
    }
};

}  // namespace qx::ui
