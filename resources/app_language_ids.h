// Control identifiers of the language dialog.
#pragma once

#define IDC_LANGUAGE_LIST 1089
