// Resource identifiers of the media subsystem.
#pragma once
