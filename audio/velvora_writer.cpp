// Builds velvora.mod: reads the score, synthesises its samples, writes the
// module and prints where each section starts.
//   velvora_writer SCORE OUTPUT
// Exit status: 0 written, 1 a mistake in the score or an unwritable file,
// 2 wrong arguments.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "arrange.h"
#include "instruments.h"
#include "score.h"

namespace {

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velvora_writer SCORE OUTPUT\n");
    return 2;
  }
  try {
    const velvora::Score score = velvora::parseScore(readFile(argv[1]), argv[1], velvora::isRecipe);
    std::vector<velvora::Sample> samples;
    for (const velvora::SampleDef &def : score.samples) samples.push_back(velvora::synthesizeRecipe(def.recipe));
    const auto bytes = velvora::serializeModule(velvora::arrangeModule(score, samples));
    writeFile(argv[2], bytes);
    std::printf("velvora_writer: %s, %zu bytes, speed %d, tempo %d, %d rows, %.3f s\n", argv[2], bytes.size(),
                score.speed, score.tempo, velvora::songRows(score), velvora::songRows(score) * velvora::rowSeconds(score));
    for (const velvora::SectionTime &s : velvora::sectionMap(score))
      std::printf("  %8.3f s  row %4d  %s\n", s.seconds, s.row, s.label.c_str());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "velvora_writer: %s\n", e.what());
    return 1;
  }
  return 0;
}
