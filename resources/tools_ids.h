// Resource identifiers of the tools subsystem.
#pragma once
