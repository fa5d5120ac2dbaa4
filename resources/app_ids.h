// Resource identifiers of the app subsystem.
#pragma once
