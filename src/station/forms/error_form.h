// The failure dialog "Error" of a port's "?" button: the failure text of the
// port's error item and what its detail data shows, one line per entry, and
// the pictures of the board from the working folder. It only shows.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "station/ports/port_tables.h"

class QLabel;
class QPlainTextEdit;

namespace qx {
struct FlashConfig;
}

namespace qx::station {

inline constexpr char kLayoutFrontPicture[] = "Layout_Front.jpg";
inline constexpr char kLayoutBackPicture[] = "Layout_Back.jpg";

class TErrorForm final : public QDialog {
    Q_OBJECT
public:
    TErrorForm(QWidget* parent, const PortTableHandle& tables);

    // The form's OnShow for a port: pictures from workFolder (a missing one
    // leaves its image as it was), then the port's entries.
    void FormShow(int port, const FlashConfig& config, const std::string& workFolder);
    void ShowEntries(const std::vector<std::string>& entries);
    void LoadPictures(const std::string& workFolder);

private:
    const PortTableHandle& tables_;
    QPlainTextEdit* memo_ = nullptr;
    QLabel* front_ = nullptr;
    QLabel* back_ = nullptr;
};

}  // namespace qx::station
