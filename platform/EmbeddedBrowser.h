#pragma once

// Prepares the process for an embedded web view (the map): call before the first web view is
// created. Chromium refuses to start its sandbox as root, so only then is it disabled.
void PrepareEmbeddedBrowser();
