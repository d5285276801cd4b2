// What the device rescan reads of the station window and asks of it besides
// the StationView calls. The window implements it; every call comes on the
// window thread.
#pragma once

#include <string>

namespace qx::station {

class RescanWindow {
public:
    virtual ~RescanWindow() = default;

    virtual bool Busy() const = 0;                   // a run is being started or runs
    virtual bool StartAllowed() const = 0;           // the program images were found
    virtual bool FlashAutoDetectRunning() const = 0; // FlashAutoDetectBtn disabled

    // The interface word ("SATA" or "USB") the caption shows; the window
    // composes its caption again.
    virtual void SetInterfaceWord(const std::string& word) = 0;
    // Empties a departed port's PortPanel caption, PortLEdit and PortLEditWWN.
    virtual void ClearPortTexts(int port) = 0;
    // After a scanned serial number with EnAutoExecuteAfterInputSn: the
    // AutoExecute command-line flag set and AutoTestTimer started.
    virtual void StartAutoExecute() = 0;
};

}  // namespace qx::station
