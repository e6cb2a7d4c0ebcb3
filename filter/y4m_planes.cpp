#include "filter/y4m_planes.h"

#include <cstddef>

namespace xvf {
namespace {

struct Layout {
  size_t width, height, chromaWidth, chromaRows;
  const uint8_t* u;  // plane starts, from `planes`
  const uint8_t* v;
};

Layout LayoutOf(const uint8_t* planes, const Y4mHeader& header) {
  Layout l;
  l.width = static_cast<size_t>(header.width);
  l.height = static_cast<size_t>(header.height);
  l.chromaWidth = l.width / 2;
  l.chromaRows = header.chroma == Y4mChroma::k422 ? l.height
                 : header.chroma == Y4mChroma::k420 ? (l.height + 1) / 2
                                                    : 0;
  l.u = planes + l.width * l.height;
  l.v = l.u + l.chromaWidth * l.chromaRows;
  return l;
}

// The chroma row that row y takes its chroma from.
size_t ChromaRowOf(size_t y, const Y4mHeader& header, bool fields) {
  if (header.chroma == Y4mChroma::k422) return y;
  return fields ? ((y >> 2) << 1) | (y & 1) : y >> 1;
}

// The rows chroma row c stands for; second == first when it stands for one.
void RowsOfChromaRow(size_t c, const Layout& l, const Y4mHeader& header, bool fields, size_t* first,
                     size_t* second) {
  if (header.chroma == Y4mChroma::k422) {
    *first = *second = c;
  } else if (fields) {
    *first = ((c >> 1) << 2) | (c & 1);
    *second = *first + 2;
  } else {
    *first = 2 * c;
    *second = *first + 1 < l.height ? *first + 1 : *first;
  }
}

}  // namespace

void PlanesToYuy2(const uint8_t* planes, const Y4mHeader& header, bool fields, uint8_t* yuy2) {
  const Layout l = LayoutOf(planes, header);
  for (size_t y = 0; y < l.height; ++y) {
    const uint8_t* luma = planes + y * l.width;
    uint8_t* out = yuy2 + y * l.width * 2;
    const size_t c = ChromaRowOf(y, header, fields);
    for (size_t x = 0; x < l.chromaWidth; ++x) {
      out[4 * x] = luma[2 * x];
      out[4 * x + 2] = luma[2 * x + 1];
      out[4 * x + 1] = l.chromaRows ? l.u[c * l.chromaWidth + x] : 128;
      out[4 * x + 3] = l.chromaRows ? l.v[c * l.chromaWidth + x] : 128;
    }
  }
}

void Yuy2ToPlanes(const uint8_t* yuy2, const Y4mHeader& header, bool fields, uint8_t* planes) {
  const Layout l = LayoutOf(planes, header);
  for (size_t y = 0; y < l.height; ++y) {
    const uint8_t* in = yuy2 + y * l.width * 2;
    uint8_t* luma = planes + y * l.width;
    for (size_t x = 0; x < l.chromaWidth; ++x) {
      luma[2 * x] = in[4 * x];
      luma[2 * x + 1] = in[4 * x + 2];
    }
  }
  uint8_t* u = planes + (l.u - planes);
  uint8_t* v = planes + (l.v - planes);
  for (size_t c = 0; c < l.chromaRows; ++c) {
    size_t first = 0, second = 0;
    RowsOfChromaRow(c, l, header, fields, &first, &second);
    const uint8_t* a = yuy2 + first * l.width * 2;
    const uint8_t* b = yuy2 + second * l.width * 2;
    for (size_t x = 0; x < l.chromaWidth; ++x) {
      u[c * l.chromaWidth + x] = static_cast<uint8_t>((a[4 * x + 1] + b[4 * x + 1] + 1) >> 1);
      v[c * l.chromaWidth + x] = static_cast<uint8_t>((a[4 * x + 3] + b[4 * x + 3] + 1) >> 1);
    }
  }
}

}  // namespace xvf
