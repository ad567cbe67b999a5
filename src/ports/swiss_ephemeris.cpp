// The ephemeris port on Swiss Ephemeris with its compressed data files.
#include "ports/ephemeris.h"

#include <swephexp.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <mutex>
#include <numbers>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace skyloom {
namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

#ifndef SKYLOOM_SYSTEM_EPHE_DIR
#define SKYLOOM_SYSTEM_EPHE_DIR "/usr/share/libswe/ephe"
#endif

// The nutation in longitude, in degrees, as the library computes it for an
// instant (UT), from Chebyshev fits over 64-day spans of its own values: the
// series it sums for every position is most of a position's cost. Its
// shortest terms take days, so the fits hold it to its last digits (within
// 2e-13 degrees, as close as the library's own from one call to the next,
// over 2,300 random spans of 1600 to 2799). NaN where the library gives none. The
// spans are made once for the whole process, by whichever thread first
// asks, and kept: the threads of a series ask for the same days.
class NutationFits {
 public:
  static NutationFits& Shared() {
    static NutationFits fits;
    return fits;
  }

  double Degrees(double jd) {
    const double index = std::floor(jd / kSpanDays);
    if (!std::isfinite(index) || std::fabs(index) > 1e9) return std::nan("");
    const auto key = static_cast<int64_t>(index);
    thread_local const Coefficients* last = nullptr;
    thread_local int64_t lastKey = 0;
    if (last == nullptr || lastKey != key) {
      last = &Find(key, index);
      lastKey = key;
    }
    const Coefficients& c = *last;
    double b1 = 0, b2 = 0;
    const double x = 2 * (jd - index * kSpanDays) / kSpanDays - 1;
    for (size_t j = kNodes - 1; j >= 1; --j) {
      const double t = 2 * x * b1 - b2 + c[j];
      b2 = b1;
      b1 = t;
    }
    return x * b1 - b2 + c[0];
  }

 private:
  static constexpr double kSpanDays = 64.0;
  static constexpr size_t kNodes = 56;
  // Some thousands of years of spans (a few MB); beyond, each thread keeps
  // only the span it last made.
  static constexpr size_t kKeptSpans = 16384;
  using Coefficients = std::array<double, kNodes>;

  // The span's fit, made outside the lock (it takes as long as 56
  // positions): two threads asking at once both make it, and the first
  // kept is the one both use. A kept span is never let go while the
  // process lives, so threads hold on to it without the lock.
  const Coefficients& Find(int64_t key, double index) {
    {
      std::lock_guard lock(mutex_);
      if (const auto found = spans_.find(key); found != spans_.end()) return found->second;
    }
    Coefficients made{};
    Make(made, index);
    std::lock_guard lock(mutex_);
    if (spans_.size() < kKeptSpans || spans_.contains(key)) return spans_.try_emplace(key, made).first->second;
    thread_local Coefficients unkept{};
    unkept = made;
    return unkept;
  }

  static void Make(Coefficients& c, double index) {
    Coefficients values{};
    for (size_t k = 0; k < kNodes; ++k) {
      const double x = std::cos(std::numbers::pi * (static_cast<double>(k) + 0.5) / kNodes);
      double xx[6] = {};
      char err[AS_MAXCH] = {};
      const double at = index * kSpanDays + (x + 1) * kSpanDays / 2;
      values[k] = swe_calc_ut(at, SE_ECL_NUT, SEFLG_SWIEPH, xx, err) < 0 ? std::nan("") : xx[2];
    }
    for (size_t j = 0; j < kNodes; ++j) {
      double sum = 0;
      for (size_t k = 0; k < kNodes; ++k)
        sum += values[k] * std::cos(std::numbers::pi * static_cast<double>(j) * (static_cast<double>(k) + 0.5) / kNodes);
      c[j] = sum * 2 / kNodes;
    }
    c[0] /= 2;
  }

  std::mutex mutex_;
  std::unordered_map<int64_t, Coefficients> spans_;
};

// The nutation in longitude, in degrees, from the largest terms of its series
// (IAU 2000B amplitudes for the first ten, 1980's for the rest; 0.1 mas and
// 0.1 mas a century): within 0.02" of the library's whole series from 1600
// to 2799, where a position needs no more.
struct NutationTerm {
  int8_t l, lp, f, d, node;
  double sine, perCentury;
};
constexpr NutationTerm kNutationTerms[] = {
    {0, 0, 0, 0, 1, -172064.161, -174.666}, {0, 0, 2, -2, 2, -13170.906, -1.675}, {0, 0, 2, 0, 2, -2276.413, -0.234},
    {0, 0, 0, 0, 2, 2074.554, 0.207},       {0, 1, 0, 0, 0, 1475.877, -3.633},    {1, 0, 0, 0, 0, 711.159, 0.073},
    {0, 1, 2, -2, 2, -516.821, 1.226},      {0, 0, 2, 0, 1, -387.298, -0.367},    {1, 0, 2, 0, 2, -301.461, -0.036},
    {0, -1, 2, -2, 2, 215.829, -0.494},     {1, 0, 0, -2, 0, -158, 0},            {0, 0, 2, -2, 1, 129, 0.1},
    {-1, 0, 2, 0, 2, 123, 0},               {0, 0, 0, 2, 0, 63, 0},               {1, 0, 0, 0, 1, 63, 0.1},
    {-1, 0, 2, 2, 2, -59, 0},               {-1, 0, 0, 0, 1, -58, -0.1},          {1, 0, 2, 0, 1, -51, 0},
    {2, 0, 0, -2, 0, 48, 0},                {-2, 0, 2, 0, 1, 46, 0},              {0, 0, 2, 2, 2, -38, 0},
    {2, 0, 2, 0, 2, -31, 0},                {2, 0, 0, 0, 0, 29, 0},               {1, 0, 2, -2, 2, 29, 0},
    {0, 0, 2, 0, 0, 26, 0},                 {0, 0, 2, -2, 0, -22, 0},             {-1, 0, 2, 0, 1, 21, 0},
    {0, 2, 0, 0, 0, 17, -0.1},              {0, 2, 2, -2, 2, -16, 0.1},           {-1, 0, 0, 2, 1, 16, 0},
};

double ShortNutationDegrees(double jdUt) {
  // The fundamental arguments of the Moon and the Sun (IAU 2000), radians.
  const double t = (jdUt + swe_deltat(jdUt) - kJ2000) / 36525.0;
  constexpr double kArcsecond = kRadiansPerDegree / 3600;
  const std::array<double, 5> arguments{
      134.96340251 * kRadiansPerDegree + (1717915923.2178 * t + 31.8792 * t * t) * kArcsecond,
      357.52910918 * kRadiansPerDegree + (129596581.0481 * t - 0.5532 * t * t) * kArcsecond,
      93.27209062 * kRadiansPerDegree + (1739527262.8478 * t - 12.7512 * t * t) * kArcsecond,
      297.85019547 * kRadiansPerDegree + (1602961601.2090 * t - 6.3706 * t * t) * kArcsecond,
      125.04455501 * kRadiansPerDegree + (-6962890.5431 * t + 7.4722 * t * t) * kArcsecond};
  // Each term's angle is a sum of the arguments times -2 .. 2: its sine
  // from their multiples' cosines and sines, five sincos in all.
  struct Turn {
    double c = 1, s = 0;
    Turn operator*(const Turn& o) const { return {c * o.c - s * o.s, s * o.c + c * o.s}; }
  };
  std::array<std::array<Turn, 5>, 5> turns{};  // [argument][multiple + 2]
  for (size_t a = 0; a < arguments.size(); ++a) {
    const Turn once{std::cos(arguments[a]), std::sin(arguments[a])}, twice = once * once;
    turns[a] = {Turn{twice.c, -twice.s}, Turn{once.c, -once.s}, Turn{}, once, twice};
  }
  double sum = 0;
  for (const NutationTerm& term : kNutationTerms) {
    const Turn angle = turns[0][static_cast<size_t>(term.l + 2)] * turns[1][static_cast<size_t>(term.lp + 2)] *
                       turns[2][static_cast<size_t>(term.f + 2)] * turns[3][static_cast<size_t>(term.d + 2)] *
                       turns[4][static_cast<size_t>(term.node + 2)];
    sum += (term.sine + term.perCentury * t) * angle.s;
  }
  return sum * 1e-4 / 3600;
}

// The library either answers with its own data files or, where no file covers
// the instant, with its analytical ephemeris; only beyond both does it refuse.
// The speed is asked for only when wanted: it costs more than the position.
// Where asked for, a position alone is the library's mean one with the
// nutation added from its fits; a speed takes the library's whole
// computation, nutation and all.
std::atomic<bool> fittedNutation{false};

Position Longitude(int32_t sweBody, double jd, double* speed, bool rough = false, double* reach = nullptr) {
  double xx[6] = {};
  char err[AS_MAXCH] = {};
  int32 flags = -1;
  const bool fitted = fittedNutation.load(std::memory_order_relaxed);
  if (!speed && (rough || fitted)) {
    // Where the process fits the nutation, a rough position takes it from
    // the fits too: exact, and cheaper than the short series. The bodies of
    // one instant share the short series' value.
    thread_local double roughAt = std::nan(""), roughNutation = 0;
    if (!fitted && jd != roughAt) {
      roughNutation = ShortNutationDegrees(jd);
      roughAt = jd;
    }
    const double dpsi = fitted ? NutationFits::Shared().Degrees(jd) : roughNutation;
    if (std::isfinite(dpsi)) {
      flags = swe_calc_ut(jd, sweBody, SEFLG_SWIEPH | SEFLG_NONUT, xx, err);
      xx[0] += dpsi;
    }
  }
  if (flags < 0) flags = swe_calc_ut(jd, sweBody, SEFLG_SWIEPH | (speed ? SEFLG_SPEED : 0), xx, err);
  if (flags < 0 || !std::isfinite(xx[0]) || !std::isfinite(xx[3])) {
    return Position::Unknown(jd < kJ2000 ? PositionStatus::BeforeRange : PositionStatus::AfterRange);
  }
  if (speed) *speed = xx[3] * kRadiansPerDegree;
  if (reach) *reach = xx[2] * std::cos(xx[1] * kRadiansPerDegree);
  double rad = xx[0] * kRadiansPerDegree;
  if (rad < 0) rad += 2 * std::numbers::pi;
  if (rad >= 2 * std::numbers::pi) rad -= 2 * std::numbers::pi;
  return {PositionStatus::Known, rad};
}

int32_t SweBody(int32_t body) {
  switch (body) {
    case 1: return SE_MERCURY;
    case 2: return SE_VENUS;
    case 3: return SE_SUN;  // geocentric Sun: the Earth seen from itself
    case 4: return SE_MARS;
    case 5: return SE_JUPITER;
    case 6: return SE_SATURN;
    case 7: return SE_URANUS;
    case 8: return SE_NEPTUNE;
    case 9: return SE_TRUE_NODE;
    case 10: return SE_MEAN_NODE;
    case 11: return SE_CHIRON;
    case 12: return SE_PLUTO;
    default: return -1;
  }
}

// The library's state of a thread (open files, buffers) lives as long as the
// thread; a worker thread that used the library closes it on its way out, or
// its files and buffers would stay behind for the rest of the process.
struct LibraryOfThisThread {
  LibraryOfThisThread() = default;
  LibraryOfThisThread(const LibraryOfThisThread&) = delete;
  LibraryOfThisThread& operator=(const LibraryOfThisThread&) = delete;
  ~LibraryOfThisThread() { swe_close(); }
};

// The ephemeris' data files (a few hundred kilobytes each) mapped into
// memory. The library reads a file a segment at a time, each read after a
// seek, and through the C library's buffered files each of them costs a call
// or two into the system (300,000 in a 90-year whole chart, a tenth of its
// time); from the mapping only the pages a run touches are read, once.
struct MappedFile {
  const char* bytes = nullptr;
  size_t size = 0;
  size_t at = 0;
  // The stream's buffer (see MappedStream), which lives as long as it.
  std::array<char, 512> buffer{};
};

ssize_t ReadMapped(void* cookie, char* into, size_t wanted) {
  auto* file = static_cast<MappedFile*>(cookie);
  const size_t n = file->at < file->size ? std::min(wanted, file->size - file->at) : 0;
  std::memcpy(into, file->bytes + file->at, n);
  file->at += n;
  return static_cast<ssize_t>(n);
}

int SeekMapped(void* cookie, off64_t* offset, int whence) {
  auto* file = static_cast<MappedFile*>(cookie);
  const off64_t from = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off64_t>(file->at)
                       : whence == SEEK_END ? static_cast<off64_t>(file->size)
                                            : -1;
  if (from < 0 || (*offset < 0 && -*offset > from)) {
    errno = EINVAL;
    return -1;
  }
  file->at = static_cast<size_t>(from + *offset);
  *offset = static_cast<off64_t>(file->at);
  return 0;
}

// The mappings open, by the streams over them: a stream the library never
// closes (its files stay open on a thread that never ends its use) is still
// held at the end of the process, not lost. Never destroyed, for that end.
std::mutex& OpenMappingsMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
std::unordered_set<MappedFile*>& OpenMappings() {
  static auto* open = new std::unordered_set<MappedFile*>;
  return *open;
}

int CloseMapped(void* cookie) {
  auto* file = static_cast<MappedFile*>(cookie);
  {
    std::lock_guard lock(OpenMappingsMutex());
    OpenMappings().erase(file);
  }
  munmap(const_cast<char*>(file->bytes), file->size);
  delete file;
  return 0;
}

// The open file as a stream over its mapping; nullptr where it cannot be
// mapped (the caller keeps the file as it is).
FILE* MappedStream(FILE* file) {
  struct stat st = {};
  if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;
  const auto size = static_cast<size_t>(st.st_size);
  void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(file), 0);
  if (bytes == MAP_FAILED) return nullptr;
  auto* cookie = new MappedFile{static_cast<const char*>(bytes), size, 0};
  {
    std::lock_guard lock(OpenMappingsMutex());
    OpenMappings().insert(cookie);
  }
  FILE* stream = fopencookie(cookie, "rb", cookie_io_functions_t{ReadMapped, nullptr, SeekMapped, CloseMapped});
  if (stream == nullptr) {
    CloseMapped(cookie);
    return nullptr;
  }
  // The library seeks before each segment it reads, a few hundred bytes:
  // a small buffer is refilled with little more than the segment, where
  // the C library's own would copy 8 KB each time.
  std::setvbuf(stream, cookie->buffer.data(), _IOFBF, cookie->buffer.size());
  return stream;
}

}  // namespace

}  // namespace skyloom

// The program is linked with every fopen sent here (-Wl,--wrap=fopen, see
// CMakeLists.txt), the library's among them: a data file of the ephemeris
// opened for reading is handed over as a stream over its mapping, on which
// a seek and a read call nothing in the system; any other file, or one that
// cannot be mapped, is opened as ever.
extern "C" FILE* __real_fopen(const char* path, const char* mode);
extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
  const std::string_view name = path != nullptr ? path : "", how = mode != nullptr ? mode : "";
  FILE* file = __real_fopen(path, mode);
  if (file == nullptr || !name.ends_with(".se1") || !how.starts_with('r') || how.find('+') != std::string_view::npos)
    return file;
  FILE* mapped = skyloom::MappedStream(file);
  if (mapped == nullptr) return file;
  std::fclose(file);
  return mapped;
}

namespace skyloom {

std::string SystemEphemerisFolder() { return SKYLOOM_SYSTEM_EPHE_DIR; }

void UseFittedNutation(bool use) { fittedNutation.store(use, std::memory_order_relaxed); }

SwissEphemeris::SwissEphemeris(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  if (!path.empty()) path += ':';
  path += SystemEphemerisFolder();
  // Setting the path closes the library's open files: only a new one is set.
  // The library keeps its state, the path included, for each thread apart: a
  // thread that has not set it yet would read the library's default folder.
  thread_local std::string current;
  thread_local LibraryOfThisThread library;
  if (path != current) {
    swe_set_ephe_path(path.c_str());
    current = path;
  }
  // The full nutation series for every position: the library's interpolated
  // nutation only pays for instants minutes apart, and costs more than the
  // full series for positions a day apart, which is most of what is asked.
  swe_set_interpolate_nut(0);
}

Position SwissEphemeris::PlanetLongitude(int32_t body, double jd, int32_t /*year*/, double* speed) {
  const int32_t sweBody = SweBody(body);
  return sweBody < 0 ? Position::Unknown(PositionStatus::BeforeRange) : Longitude(sweBody, jd, speed);
}

Position SwissEphemeris::RoughPlanetLongitude(int32_t body, double jd, int32_t /*year*/, double& error,
                                               double* reach) {
  const int32_t sweBody = SweBody(body);
  error = kRoughNutationError;
  return sweBody < 0 ? Position::Unknown(PositionStatus::BeforeRange) : Longitude(sweBody, jd, nullptr, true, reach);
}

Position SwissEphemeris::MoonLongitude(double daysSinceJ2000, double* speed) {
  return Longitude(SE_MOON, daysSinceJ2000 + kJ2000, speed);
}

ChartHouses SwissEphemeris::Houses(double jd, double latitude, double longitude, char system) {
  double cusps[13] = {}, ascmc[10] = {};
  // The library answers an unknown system letter with Placidus: only the
  // letters the program knows are handed on.
  ChartHouses houses;
  const int result = swe_houses_ex(jd, 0, latitude, longitude, system, cusps, ascmc);
  auto radians = [](double degrees) {
    double r = degrees * kRadiansPerDegree;
    while (r < 0) r += 2 * std::numbers::pi;
    while (r >= 2 * std::numbers::pi) r -= 2 * std::numbers::pi;
    return r;
  };
  for (int k = 0; k < 12; ++k) {
    if (!std::isfinite(cusps[k + 1])) return houses;
    houses.cusps[static_cast<size_t>(k)] = radians(cusps[k + 1]);
  }
  if (!std::isfinite(ascmc[SE_ASC]) || !std::isfinite(ascmc[SE_MC])) return houses;
  houses.known = true;
  // An error here means the library fell back to Porphyry for a system
  // that has no cusps at this latitude.
  houses.systemHolds = result >= 0;
  houses.ascendant = radians(ascmc[SE_ASC]);
  houses.midheaven = radians(ascmc[SE_MC]);
  return houses;
}

EclipseFound SwissEphemeris::NextSolarEclipse(double jd) {
  double when[10] = {};
  char err[AS_MAXCH] = {};
  const int32 type = swe_sol_eclipse_when_glob(jd, SEFLG_SWIEPH, 0, when, 0, err);
  if (type <= 0 || !std::isfinite(when[0])) return {};
  // A hybrid eclipse is total somewhere and annular elsewhere: the library
  // sets its own flag for it beside the others.
  const EclipseType kind = (type & SE_ECL_ANNULAR_TOTAL) != 0 ? EclipseType::Hybrid
                           : (type & SE_ECL_TOTAL) != 0       ? EclipseType::Total
                           : (type & SE_ECL_ANNULAR) != 0     ? EclipseType::Annular
                                                              : EclipseType::Partial;
  return {kind, when[0]};
}

EclipseFound SwissEphemeris::NextLunarEclipse(double jd) {
  double when[10] = {};
  char err[AS_MAXCH] = {};
  const int32 type = swe_lun_eclipse_when(jd, SEFLG_SWIEPH, 0, when, 0, err);
  if (type <= 0 || !std::isfinite(when[0])) return {};
  const EclipseType kind = (type & SE_ECL_TOTAL) != 0     ? EclipseType::Total
                           : (type & SE_ECL_PARTIAL) != 0 ? EclipseType::Partial
                                                          : EclipseType::Penumbral;
  return {kind, when[0]};
}

}  // namespace skyloom
