// What the utility's logic asks of its main window. The window implements it
// with widgets; tests with a plain record of texts. Controls are named by
// their ids (view_controls.h); texts are 8-bit strings passed unchanged.
#pragma once

#include <string>
#include <vector>

#include "utility/device_entry.h"
#include "utility/view_controls.h"

namespace qx::utility {

class UtilityView {
public:
    virtual ~UtilityView() = default;

    // Empties every edit, labelled edit and memo of the window and rows 0-49
    // of every grid; nothing else changes.
    virtual void ClearFields() = 0;
    virtual std::string Text(EditId edit) const = 0;
    virtual void SetText(EditId edit, const std::string& text) = 0;
    virtual std::vector<std::string> Lines(MemoId memo) const = 0;
    virtual void SetLines(MemoId memo, const std::vector<std::string>& lines) = 0;
    // A grid cell; a cell outside the grid reads empty and takes nothing.
    virtual std::string Cell(GridId grid, int row, int column) const = 0;
    virtual void SetCell(GridId grid, int row, int column, const std::string& text) = 0;
    virtual void SetCaption(CaptionId control, const std::string& text) = 0;
    // Buttons and other controls a page turns on or shows.
    virtual void SetEnabled(SwitchId control, bool enabled) = 0;
    virtual void SetVisible(SwitchId control, bool visible) = 0;
    // A check box's tick.
    virtual bool Checked(CheckId control) const = 0;

    virtual void SetPageVisible(int page, bool visible) = 0;
    virtual bool PageVisible(int page) const = 0;
    virtual void SetActivePage(int page) = 0;
    virtual int ActivePage() const = 0;

    // The drive list and the hidden device combo box, rebuilt by a scan.
    virtual void ShowDeviceList(const DeviceListModel& list) = 0;

    // The "Waiting............" form, shown without waiting while a drive is read.
    virtual void ShowSplash() = 0;
    virtual void CloseSplash() = 0;
    // The program ends once the running handler has returned.
    virtual void CloseMainWindow() = 0;
};

}  // namespace qx::utility
