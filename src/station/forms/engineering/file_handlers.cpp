#include "station/forms/engineering/file_handlers.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "station/forms/form_text.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/settings_window_state.h"

namespace qx::station {

namespace {

template <class T>
T* Named(const SettingsArea& area, const char* name) {
    return area.findChild<T*>(QString::fromLatin1(name));
}

constexpr TableFileButton kButtons[] = {TableFileButton::GetDefTab, TableFileButton::PutDefTab,
                                        TableFileButton::GetLaterTab, TableFileButton::PutLaterTab};
constexpr const char* kRunModeRadios[] = {"GetDefTabChk", "PutDefTabChk", "ClaimNewChk", "GetLaterTabChk",
                                          "PutLaterTabChk"};

}  // namespace

void TableFileButtonClick(SettingsArea& area, ui::Prompter& prompter, TableFileFolders& folders,
                          TableFileButton button) {
    const auto chosen = ChooseTableFile(button, folders, area.Stores().Window.ProgramFolder, prompter);
    if (!chosen) return;
    QLineEdit* edit = Named<QLineEdit>(area, TableFileButtonOf(button).EditName);
    edit->setText(QFile::decodeName(chosen->c_str()));
    StoreTablePath(button, QFile::encodeName(edit->text()).toStdString(), area.Stores().Settings);
}

void RDPageClick(SettingsArea& area) {
    const auto* claim = Named<QRadioButton>(area, "ClaimNewChk");
    Named<QCheckBox>(area, "RebuildCloseChk")->setEnabled(claim->isChecked());
}

void BnKeyFileClick(SettingsArea& area, ui::Prompter& prompter, const ByteGenerator& filler) {
    const std::string text = S(Named<QLineEdit>(area, "LeEncryption")->text());
    WriteKeyFile(area.Stores().Window.ProgramFolder, text, filler, prompter);
}

void WireFileControls(SettingsArea& area, ui::Prompter& prompter, TableFileFolders& folders) {
    for (TableFileButton button : kButtons) {
        auto* b = Named<QPushButton>(area, TableFileButtonOf(button).ButtonName);
        QObject::connect(b, &QPushButton::clicked, &area,
                         [&area, &prompter, &folders, button] { TableFileButtonClick(area, prompter, folders, button); });
    }
    for (const char* name : kRunModeRadios)
        QObject::connect(Named<QRadioButton>(area, name), &QRadioButton::clicked, &area, [&area] { RDPageClick(area); });
    QObject::connect(Named<QPushButton>(area, "BnKeyFile"), &QPushButton::clicked, &area,
                     [&area, &prompter] { BnKeyFileClick(area, prompter, ProcessKeyFiller()); });
}

}  // namespace qx::station
