#include "media/SoundPlayer.h"

void CSoundPlayer::OnGraphEvent() {}
