// CTwain: the scanner interface; CTwainHandler is the program's one scanner object.
#pragma once
#include <windows.h>

class CTwain {
public:
    CTwain() = default;
    virtual ~CTwain() = default;
    bool StartSession(HWND window);
    int UserSelectSource();
    bool IsDSMLoaded() const { return dsmLoaded; }
    bool Acquire(int count);
    void EndSession();
    // True when the message belongs to an enabled scanner source (it is then
    // not translated or dispatched by the message loop).
    bool ProcessEvent(MSG* message);

    bool dsmLoaded = false;
    bool sessionOpen = false;
    bool sourceEnabled = false;
};

class CTwainHandler : public CTwain {};

extern CTwainHandler TwainHandler;
