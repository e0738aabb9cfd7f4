#include "gl4d/offline/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace gl4d {

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

std::vector<SceneFirst> FrameStats::scenes() const {
  std::vector<SceneFirst> found;
  std::map<void *, size_t> index;
  for (const FrameRecord &f : frames) {
    if (f.row < 0 || f.row >= static_cast<int>(rows.size())) continue;
    const RowInfo &row = rows[static_cast<size_t>(f.row)];
    for (auto [fn, name] : {std::pair{row.first, &row.firstName}, std::pair{row.second, &row.secondName}}) {
      if (!fn) continue;
      auto [it, isNew] = index.emplace(fn, found.size());
      SceneFirst &scene = isNew ? found.emplace_back(SceneFirst{*name, f.showMs, f.ms, f.gpuMs, f.row, {}, 0})
                                : found[it->second];
      if (!isNew) scene.madeAfterFirst += f.made;
      if (f.row == scene.firstRow) scene.ms.push_back(f.ms);
    }
  }
  return found;
}

std::vector<std::vector<double>> FrameStats::timesByRow(bool gpu) const {
  std::vector<std::vector<double>> byRow(rows.size());
  for (const FrameRecord &f : frames)
    if (f.row >= 0 && static_cast<size_t>(f.row) < rows.size() && (!gpu || f.gpuMs >= 0))
      byRow[static_cast<size_t>(f.row)].push_back(gpu ? f.gpuMs : f.ms);
  return byRow;
}

void FrameStats::print(FILE *out) const {
  const auto byRow = timesByRow(false), gpuByRow = timesByRow(true);
  const bool gpu = std::any_of(frames.begin(), frames.end(), [](const FrameRecord &f) { return f.gpuMs >= 0; });
  const double ref = referenceMs > 0 ? referenceMs : 1.0;
  std::fprintf(out, "row  scenes                 frames  median ms   p99 ms  worst ms%s%s\n",
               referenceMs > 0 ? "   median    p99  worst (copies)" : "", gpu ? "  GPU median ms" : "");
  for (size_t r = 0; r < rows.size(); ++r) {
    const Summary s = summarise(byRow[r]);
    std::fprintf(out, "%3zu  %-22s %6zu", r, rows[r].scenes().c_str(), s.frames);
    if (!s.frames) {  // a row the run never reached: no figure rather than 0
      std::fprintf(out, " %10s %8s %9s\n", "-", "-", "-");
      continue;
    }
    std::fprintf(out, " %10.2f %8.2f %9.2f", s.median, s.p99, s.worst);
    if (referenceMs > 0) std::fprintf(out, " %8.1f %6.1f %6.1f", s.median / ref, s.p99 / ref, s.worst / ref);
    if (gpu) std::fprintf(out, " %14.2f", medianMs(gpuByRow[r]));
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "scene      first frame ms  its row's median ms  first / median%s\n",
               countsObjects ? "  GL objects made after the first frame" : "");
  for (const SceneFirst &s : scenes()) {
    const double median = medianMs(s.ms);
    std::fprintf(out, "%-10s %14.2f %20.2f %15.2f", s.name.c_str(), s.firstMs, median, median > 0 ? s.firstMs / median : 0);
    if (countsObjects) std::fprintf(out, " %8u", s.madeAfterFirst);
    std::fprintf(out, "\n");
  }
}

}  // namespace gl4d
