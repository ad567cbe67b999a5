#include "support/python_parsers.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace skyloom::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScript = R"PY(
import csv, json, math, sys
from datetime import datetime, timezone

out = open(sys.stdout.fileno(), 'w', encoding='utf-8', newline='\n', closefd=False)

def esc(text):
    return (text.replace('\\', '\\\\').replace('\t', '\\t')
            .replace('\r', '\\r').replace('\n', '\\n'))

def emit(*fields):
    out.write('\t'.join(esc(str(f)) for f in fields) + '\n')

def angle(degrees):
    d = math.floor(degrees + 0.00001)
    m = round((degrees - d) * 60)
    if m == 60:
        d, m = (d, 59) if d == 359 else (d + 1, 0)
    return f"{d}\u00b0{m}'"

def cell(date, retrograde):
    if date is None:
        if retrograde is not None:
            emit('TYPE', 'retrograde without a date')
        return ''
    if not isinstance(retrograde, bool):
        emit('TYPE', 'retrograde', repr(retrograde))
    return date + ('r' if retrograde else '')

def utc_instant(text):
    return datetime.strptime(text, '%Y-%m-%dT%H:%MZ').replace(tzinfo=timezone.utc)

# aspect, entries (outer, middle, inner) and exits (inner, middle, outer) as
# (date, retrograde), the minimum as a dict or None, the zone's text.
def row(aspect, entries, minimum, exits, zone):
    value = minimum_cell = ''
    if minimum is not None:
        kind = minimum['kind']
        minimum_cell = (minimum['date'] + ('*' if kind == 'exact' else '')
                        + ('r' if minimum['retrograde'] else ''))
        if not isinstance(minimum['retrograde'], bool):
            emit('TYPE', 'minimum retrograde', repr(minimum['retrograde']))
        if kind == 'exact':
            utc = utc_instant(minimum['utc'])
            local = datetime.fromisoformat(minimum['local'])
            if utc != local or local.date().isoformat() != minimum['date'] or minimum['degrees'] is not None:
                emit('MISMATCH', minimum['utc'], minimum['local'], minimum['date'])
            value = local.strftime('%H:%M') + ' ' + zone
        elif kind == 'closest':
            if not isinstance(minimum['degrees'], float) or minimum['utc'] is not None:
                emit('TYPE', 'closest', repr(minimum['degrees']), repr(minimum['utc']))
            value = angle(minimum['degrees'])
        else:
            emit('TYPE', 'kind', kind)
    emit(aspect, *[cell(*e) for e in entries], minimum_cell, *[cell(*e) for e in exits], value)

def from_csv(path):
    booleans = {'true': True, 'false': False, '': None}
    def text(value):
        return value if value != '' else None
    def number(value):
        return float(value) if value != '' else None
    with open(path, newline='', encoding='utf-8') as f:
        for r in csv.DictReader(f, strict=True):
            mark = lambda name: (text(r[name]), booleans[r[name + '_retrograde']])
            minimum = None
            if r['minimum'] != 'none':
                minimum = {'kind': r['minimum'], 'date': r['minimum_date'],
                           'retrograde': booleans[r['minimum_retrograde']],
                           'utc': text(r['exact_utc']), 'local': text(r['exact_local']),
                           'degrees': number(r['closest_degrees'])}
            elif any(r[k] for k in ('minimum_date', 'minimum_retrograde', 'exact_utc', 'exact_local',
                                    'closest_degrees')):
                emit('MISMATCH', 'fields of an absent minimum')
            row(r['aspect'], [mark(o + '_entry') for o in ('outer', 'middle', 'inner')], minimum,
                [mark(o + '_exit') for o in ('inner', 'middle', 'outer')], r['zone'])

def from_json(path):
    with open(path, encoding='utf-8') as f:
        document = json.load(f)
    def mark(value):
        return (None, None) if value is None else (value['date'], value['retrograde'])
    for run in document['runs']:
        if not isinstance(run['stopped'], bool) or not all(isinstance(o, int) for o in run['orbs']):
            emit('TYPE', 'run')
        for transit in run['transits']:
            for p in transit['passes']:
                minimum = p['minimum']
                if minimum is not None:
                    minimum = dict(minimum, degrees=minimum['closestDegrees'])
                row(transit['aspect'], [mark(p[o + 'Entry']) for o in ('outer', 'middle', 'inner')], minimum,
                    [mark(p[o + 'Exit']) for o in ('inner', 'middle', 'outer')], run['zone'])

def from_ics(path):
    import icalendar
    with open(path, 'rb') as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    for component in calendar.walk():
        for error in component.errors:
            emit('ERROR', component.name, error)
    emit('CALENDAR', calendar['VERSION'], calendar['PRODID'], calendar['CALSCALE'])
    for event in calendar.walk('VEVENT'):
        emit('EVENT', event['UID'], event.decoded('DTSTART').isoformat(), event.decoded('DTEND').isoformat(),
             event['SUMMARY'], event['DESCRIPTION'], event.decoded('DTSTAMP').isoformat())

{'csv': from_csv, 'json': from_json, 'ics': from_ics}[sys.argv[1]](sys.argv[2])
)PY";

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

fs::path ScratchFolder() {
  const fs::path dir = fs::temp_directory_path() / ("skyloom_parsers_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

int Status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

}  // namespace

const std::string& PythonWithICalendar() {
  static const std::string python = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      const std::string command =
          std::string(candidate) + " -c 'import icalendar' >/dev/null 2>&1 </dev/null";
      if (Status(std::system(command.c_str())) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return python;
}

ParsedExport ParseExport(const std::string& kind, const std::string& path) {
  ParsedExport parsed;
  if (PythonWithICalendar().empty()) {
    parsed.error = "no python3 with the icalendar package (scripts/install-deps.sh installs it)";
    return parsed;
  }
  const fs::path dir = ScratchFolder();
  const fs::path script = dir / "read_export.py";
  std::ofstream(script, std::ios::binary) << kScript;
  const std::string command = PythonWithICalendar() + " " + Quoted(script.string()) + " " + kind + " " +
                              Quoted(path) + " >" + Quoted((dir / "out").string()) + " 2>" +
                              Quoted((dir / "err").string()) + " </dev/null";
  parsed.status = Status(std::system(command.c_str()));
  parsed.error = Slurp(dir / "err");
  std::istringstream lines(Slurp(dir / "out"));
  for (std::string line; std::getline(lines, line);) parsed.lines.push_back(line);
  return parsed;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ReportLine(const std::string& aspect, const TransitRowData& row) {
  auto mark = [](const std::optional<DateMark>& m) { return m ? DateCellText(*m) : std::string(); };
  std::string line = Escaped(aspect);
  for (OrbIndex orb = 0; orb < 3; ++orb) line += "\t" + mark(row.entry[orb]);
  line += "\t" + (row.minimum ? MinimumDateText(*row.minimum) : std::string());
  for (OrbIndex orb = 2; orb >= 0; --orb) line += "\t" + mark(row.exit[orb]);
  line += "\t" + (row.minimum ? Escaped(MinimumValueText(*row.minimum)) : std::string());
  return line;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', from)) {
    fields.push_back(line.substr(from, tab - from));
    from = tab + 1;
  }
  fields.push_back(line.substr(from));
  return fields;
}

}  // namespace skyloom::test
