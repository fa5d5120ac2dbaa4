// Resource identifiers of the browser subsystem.
#pragma once
