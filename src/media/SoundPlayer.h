// CSoundPlayer: plays a sound file inside the viewer on ViewerPlayer.
#pragma once
#include <windows.h>

#include "media/Players.h"
#include "media/SoundTags.h"

class CSoundPlayer : public CMediaPlayer {
public:
    void OnGraphEvent();
};
