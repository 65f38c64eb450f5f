// Resource identifiers shared by vellarn.rc and the Windows layer.
#pragma once

#define IDD_FLOATING_WINDOW 102
