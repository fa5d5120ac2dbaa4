// Resource identifiers of the about box (app_about.rc).
#pragma once

#define IDC_ABOUT_HOMEPAGE 300
#define IDC_ABOUT_INFO 302
#define IDC_ABOUT_VERSION 303
#define IDC_ABOUT_MAIL 304
