// Stand-in of the scanner interface: no source manager is loaded, so no
// session opens and no message is taken.
#include "tools/Twain.h"

CTwainHandler TwainHandler;

bool CTwain::StartSession(HWND) { return false; }
int CTwain::UserSelectSource() { return 0; }
bool CTwain::Acquire(int) { return false; }
void CTwain::EndSession() {
    sessionOpen = false;
    sourceEnabled = false;
}
bool CTwain::ProcessEvent(MSG*) { return sessionOpen && sourceEnabled && false; }
