// Resource identifiers of the formats subsystem.
#pragma once
