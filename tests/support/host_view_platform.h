// Native stand-ins for the view's Win32 edge, with counters that tests read.
#pragma once

extern int hostPresentCount;    // calls of ScrollView::present
extern int hostAutosizeCount;   // calls of ScrollView::autosize
