#include "gl4d/offline/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace gl4d {

namespace {

struct Summary {
  size_t frames = 0;
  double median = 0, p99 = 0, worst = 0;
};

Summary summarise(std::vector<double> ms) {
  Summary s;
  s.frames = ms.size();
  if (ms.empty()) return s;
  std::sort(ms.begin(), ms.end());
  auto at = [&ms](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(std::ceil(q * ms.size())) - 1)]; };
  s.median = at(0.5);
  s.p99 = at(0.99);
  s.worst = ms.back();
  return s;
}

// A scene's first frame, against the frames of the row it first came in
// (which may draw another scene as well).
struct Scene {
  std::string name;
  double firstShowMs = -1, firstMs = 0;
  int firstRow = -1;
  std::vector<double> ms;  // the frames of that row
  unsigned madeAfterFirst = 0;
};

// The scenes in the order they first appear, each with its frames.
std::vector<Scene> scenesOf(const std::vector<FrameRecord> &frames, const std::vector<RowInfo> &rows) {
  std::vector<Scene> scenes;
  std::map<void *, size_t> index;
  for (const FrameRecord &f : frames) {
    if (f.row < 0 || f.row >= static_cast<int>(rows.size())) continue;
    for (void *fn : {rows[static_cast<size_t>(f.row)].first, rows[static_cast<size_t>(f.row)].second}) {
      if (!fn) continue;
      auto [it, isNew] = index.emplace(fn, scenes.size());
      Scene &s = isNew ? scenes.emplace_back(Scene{functionName(fn), f.showMs, f.ms, f.row, {}, 0}) : scenes[it->second];
      if (!isNew) s.madeAfterFirst += f.made;
      if (f.row == s.firstRow) s.ms.push_back(f.ms);
    }
  }
  return scenes;
}

std::vector<std::vector<double>> timesByRow(const std::vector<FrameRecord> &frames, size_t rows) {
  std::vector<std::vector<double>> byRow(rows);
  for (const FrameRecord &f : frames)
    if (f.row >= 0 && static_cast<size_t>(f.row) < rows) byRow[static_cast<size_t>(f.row)].push_back(f.ms);
  return byRow;
}

}  // namespace

double medianMs(std::vector<double> ms) { return summarise(std::move(ms)).median; }

void FrameStats::keepRows() {
  if (!rows.empty()) return;
  rows = tableRows();
  for (size_t r = 0; r < rows.size(); ++r) rowNames.push_back(rowScenes(static_cast<int>(r)));
}

void FrameStats::print(FILE *out) const {
  const auto byRow = timesByRow(frames, rows.size());
  const double ref = referenceMs > 0 ? referenceMs : 1.0;
  std::fprintf(out, "row  scenes                 frames  median ms   p99 ms  worst ms%s\n",
               referenceMs > 0 ? "   median    p99  worst (copies)" : "");
  for (size_t r = 0; r < rows.size(); ++r) {
    const Summary s = summarise(byRow[r]);
    std::fprintf(out, "%3zu  %-22s %6zu %10.2f %8.2f %9.2f", r, rowNames[r].c_str(), s.frames,
                 s.median, s.p99, s.worst);
    if (referenceMs > 0) std::fprintf(out, " %8.1f %6.1f %6.1f", s.median / ref, s.p99 / ref, s.worst / ref);
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "scene      first frame ms  its row's median ms  first / median%s\n",
               countsObjects ? "  GL objects made after the first frame" : "");
  for (const Scene &s : scenesOf(frames, rows)) {
    const double median = summarise(s.ms).median;
    std::fprintf(out, "%-10s %14.2f %20.2f %15.2f", s.name.c_str(), s.firstMs, median, median > 0 ? s.firstMs / median : 0);
    if (countsObjects) std::fprintf(out, " %8u", s.madeAfterFirst);
    std::fprintf(out, "\n");
  }
}

void FrameStats::json(FILE *out) const {
  const auto byRow = timesByRow(frames, rows.size());
  const double ref = referenceMs > 0 ? referenceMs : 0;
  std::fprintf(out, "  \"reference_ms\": %.4f,\n  \"rows\": [\n", ref);
  for (size_t r = 0; r < rows.size(); ++r) {
    const Summary s = summarise(byRow[r]);
    std::fprintf(out,
                 "    {\"row\": %zu, \"scenes\": \"%s\", \"start_ms\": %.0f, \"end_ms\": %.0f, \"frames\": %zu, "
                 "\"median_ms\": %.4f, \"p99_ms\": %.4f, \"worst_ms\": %.4f}%s\n",
                 r, rowNames[r].c_str(), rows[r].startMs, rows[r].endMs, s.frames, s.median, s.p99,
                 s.worst, r + 1 < rows.size() ? "," : "");
  }
  std::fprintf(out, "  ],\n  \"scenes\": [\n");
  const std::vector<Scene> scenes = scenesOf(frames, rows);
  for (size_t i = 0; i < scenes.size(); ++i)
    std::fprintf(out,
                 "    {\"scene\": \"%s\", \"first_show_ms\": %.3f, \"first_row\": %d, \"first_frame_ms\": %.4f, "
                 "\"first_row_median_ms\": %.4f, \"objects_made_after_first_frame\": %u}%s\n",
                 scenes[i].name.c_str(), scenes[i].firstShowMs, scenes[i].firstRow, scenes[i].firstMs,
                 summarise(scenes[i].ms).median,
                 scenes[i].madeAfterFirst, i + 1 < scenes.size() ? "," : "");
  std::fprintf(out, "  ],\n  \"frames\": [\n");
  for (size_t i = 0; i < frames.size(); ++i)
    std::fprintf(out, "    [%.3f, %.4f, %d]%s\n", frames[i].showMs, frames[i].ms, frames[i].row,
                 i + 1 < frames.size() ? "," : "");
  std::fprintf(out, "  ]\n");
}

}  // namespace gl4d
