// Resource identifiers of the browser subsystem.
#pragma once

// Placeholders of the thumbnail view (64 x 64 on silver).
#define IDB_THUMB_IMAGE 135
#define IDB_THUMB_VIDEO 142
#define IDB_THUMB_SOUND 143
#define IDB_THUMB_FOLDER 430
