#include "gl4d/offline/benchmark_json.h"

#include <cstdarg>
#include <cstdio>

#include "gl4d/offline/c_locale.h"

namespace gl4d {

namespace {

// printf onto the end of out.
__attribute__((format(printf, 2, 3))) void add(std::string &out, const char *format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  out += text;
}

std::string quoted(const std::string &text) {
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\')
      q += std::string("\\") + c;
    else if (static_cast<unsigned char>(c) < 0x20)
      add(q, "\\u%04x", c);
    else
      q += c;
  }
  return q + "\"";
}

// A figure with the given decimals, or null where there is none.
std::string number(double v, int decimals, bool exists = true) {
  if (!exists) return "null";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

const char *boolean(bool b) { return b ? "true" : "false"; }

}  // namespace

std::string benchmarkJson(const BenchmarkFigures &f) {
  const CNumbers cNumbers;
  const FrameStats &st = f.stats;
  std::string out = "{\n";
  add(out, "  \"program\": %s, \"version\": %s, \"build_type\": %s, \"sanitizers\": %s,\n", quoted(f.program).c_str(),
      quoted(f.version).c_str(), quoted(f.buildType).c_str(), quoted(f.sanitizers).c_str());
  add(out, "  \"renderer\": %s, \"gl_version\": %s, \"debug_context\": %s, \"software_rasterizer\": %s,\n",
      quoted(f.renderer).c_str(), quoted(f.glVersion).c_str(), boolean(f.debugContext), boolean(f.softwareRasterizer));
  add(out, "  \"width\": %d,\n  \"height\": %d,\n  \"fps\": %d,\n", f.width, f.height, f.fps);
  add(out, "  \"frame_time\": \"wall\", \"gpu_time\": %s,\n", f.gpuTimer ? "\"timer queries\"" : "null");
  add(out,
      "  \"startup_ms\": {\"before_window\": %.1f, \"window\": %.1f, \"shared_resources\": %.1f, "
      "\"scene_initialisations\": %.1f, \"first_frame_done\": %.1f},\n",
      f.startupMs[0], f.startupMs[1], f.startupMs[2], f.startupMs[3], f.startupMs[4]);
  add(out, "  \"peak_resident_mb\": %.1f,\n  \"texture_mb\": %.1f,\n", f.peakResidentMb, f.textureMb);
  add(out, "  \"reference_ms\": %s,\n  \"rows\": [\n", number(st.referenceMs, 4, st.referenceMs > 0).c_str());
  const auto byRow = st.timesByRow(false), gpuByRow = st.timesByRow(true);
  for (size_t r = 0; r < st.rows.size(); ++r) {
    const Summary s = summarise(byRow[r]), g = summarise(gpuByRow[r]);
    add(out, "    {\"row\": %zu, \"scenes\": %s, \"start_ms\": %.0f, \"end_ms\": %.0f, \"frames\": %zu, ", r,
        quoted(st.rows[r].scenes()).c_str(), st.rows[r].startMs, st.rows[r].endMs, s.frames);
    add(out, "\"median_ms\": %s, \"p99_ms\": %s, \"worst_ms\": %s, ", number(s.median, 4, s.frames).c_str(),
        number(s.p99, 4, s.frames).c_str(), number(s.worst, 4, s.frames).c_str());
    add(out, "\"gpu_median_ms\": %s, \"gpu_p99_ms\": %s, \"gpu_worst_ms\": %s}%s\n", number(g.median, 4, g.frames).c_str(),
        number(g.p99, 4, g.frames).c_str(), number(g.worst, 4, g.frames).c_str(), r + 1 < st.rows.size() ? "," : "");
  }
  out += "  ],\n  \"scenes\": [\n";
  const std::vector<SceneFirst> scenes = st.scenes();
  for (size_t i = 0; i < scenes.size(); ++i) {
    const SceneFirst &s = scenes[i];
    add(out, "    {\"scene\": %s, \"first_show_ms\": %.3f, \"first_row\": %d, \"first_frame_ms\": %.4f, ",
        quoted(s.name).c_str(), s.firstShowMs, s.firstRow, s.firstMs);
    add(out, "\"first_frame_gpu_ms\": %s, \"first_row_median_ms\": %.4f, \"objects_made_after_first_frame\": %u}%s\n",
        number(s.firstGpuMs, 4, s.firstGpuMs >= 0).c_str(), medianMs(s.ms), s.madeAfterFirst,
        i + 1 < scenes.size() ? "," : "");
  }
  // One frame a line, so that scripts read them with awk: [show ms, wall ms, GPU ms, row].
  out += "  ],\n  \"frames\": [\n";
  for (size_t i = 0; i < st.frames.size(); ++i) {
    const FrameRecord &fr = st.frames[i];
    add(out, "    [%.3f, %.4f, %s, %d]%s\n", fr.showMs, fr.ms, number(fr.gpuMs, 4, fr.gpuMs >= 0).c_str(), fr.row,
        i + 1 < st.frames.size() ? "," : "");
  }
  out += "  ]\n}\n";
  return out;
}

}  // namespace gl4d
