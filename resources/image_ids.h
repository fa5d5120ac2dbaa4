// Resource identifiers of the image subsystem.
#pragma once
