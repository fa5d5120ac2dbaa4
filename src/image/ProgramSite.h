// The program's web site, in one place: the home, add-ons and update pages the
// Help menu opens, the comment line of written PNM files and the photo
// album's credit link all name this host; the support address is its domain's.
#pragma once

#define QRV_SITE_HOST "www.quorvane.example"
#define QRV_SITE_ADDRESS "https://" QRV_SITE_HOST "/"
#define QRV_SUPPORT_ADDRESS "support@quorvane.example"
