// Resource identifiers of the exif subsystem.
#pragma once
