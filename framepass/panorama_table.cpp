#include "framepass/panorama_table.h"

#include "platform/x87_precision.h"

namespace xvf {

void BuildPanoramaTable(int32_t width, double ratio, int32_t step, ScaleMapEntry* table) {
  // binary64 whatever the caller's x87 precision; every double derives from
  // the pinned inputs, and the entries are stored before the guard ends.
  const X87DoublePrecision precision;
  X87DoublePrecision::Pin(width);
  X87DoublePrecision::Pin(ratio);
  const int32_t n = width - 1;
  if (n < 0) return;
  if (n == 0) {
    // No half-width to scale by: the single column maps onto itself.
    table[0] = MakeScaleMapEntry(0, 0, 0);
    return;
  }
  const double c = n * 0.5;
  const double r = ratio > kPanoramaRatioCap ? kPanoramaRatioCap : ratio;
  const double k = 1.0 - r;
  const double invC = 1.0 / c;

  int32_t p = 0;  // running source position in columns; stands on B after an entry
  ScaleMapEntry* entry = table;
  for (double x = 0.0; x <= n; x += 1.0, ++entry) {
    double s;
    if (x < c) {
      const double u = (c - x) * invC;
      s = c - c * (u * (k * u + r));
    } else {
      const double u = (x - c) * invC;
      s = c * (u * (k * u + r) + 1.0);
    }
    const int32_t i = static_cast<int32_t>(s);                      // whole part, toward zero
    const int32_t f = static_cast<int32_t>((s - i) * 4096.0);       // fraction in 1/4096
    *entry = MakeScaleMapEntry((i - p) * step, f != 0 ? step : 0, f);
    p = f != 0 ? i + 1 : i;
  }
}

}  // namespace xvf
