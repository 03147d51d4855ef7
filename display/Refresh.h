// The per-sentence refresh of the status page, the sky view and the charts.
#pragma once

namespace qv::display {

void RefreshDisplay();

}  // namespace qv::display
