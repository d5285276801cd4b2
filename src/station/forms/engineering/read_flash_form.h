// "ReadFlash": raw flash pages of the selected port's drive through the
// diagnostic program, one tab per channel, and disk sectors by LBA through
// its firmware. No control opens it; it works on slot SelectedPort - 1.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "station/engineering/flash_page_reads.h"
#include "station/ports/port_tables.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct ReadFlashContext {
    const FlashConfig& Config;
    const GlobalParameter& Settings;
    std::function<int()> SelectedPort;   // counted from 1; 0 none chosen
    std::string ProgramFolder;
    const PortTableHandle& Tables;
};

class TReadFlashForm final : public QDialog {
    Q_OBJECT
public:
    TReadFlashForm(ReadFlashContext context, ui::Prompter& prompter, QWidget* parent = nullptr);

    void FormShow();
    void ReadDataButtonClick();
    void SaveToFilesButtonClick();
    void CloseButton1Click() { close(); }
    void ReadSectorButtonClick();
    void SaveSectorDataButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The slot of the selected, connected port; -1 after a message.
    int SelectedSlot();
    std::string SaveFolder();

    ReadFlashContext context_;
    ui::Prompter& prompter_;
    std::string saveFolder_;
    FlashReadRequest last_;          // the position of the last page read
    std::uint64_t lba_ = 0;
    std::uint32_t sectorCount_ = 0;
    QTabWidget* pages_ = nullptr;
    QTabWidget* channels_ = nullptr;
    std::array<QPlainTextEdit*, kMaxViewerChannels> memos_{};
    QPlainTextEdit* sectorMemo_ = nullptr;
    QLineEdit* bank_ = nullptr;
    QLineEdit* block_ = nullptr;
    QLineEdit* page_ = nullptr;
    QLineEdit* count_ = nullptr;
    QLineEdit* lbaEdit_ = nullptr;
    QLineEdit* sectorsEdit_ = nullptr;
    QRadioButton* custom_ = nullptr;
};

}  // namespace qx::station
