#pragma once

// Prepares the process for an embedded web view (the map). Call before the application object
// is created. Chromium refuses to start its sandbox as root, so only then is it disabled.
void PrepareEmbeddedBrowser();
