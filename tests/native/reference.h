// Reads the reference tables written by tests/reference/generate_*.py.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace caustix::testing {

// One row of a CSV table, cells by column name.
struct Row {
  std::map<std::string, std::string> cells;
  double number(const std::string& column) const { return std::strtod(cells.at(column).c_str(), nullptr); }
  const std::string& text(const std::string& column) const { return cells.at(column); }
};

inline std::vector<Row> read_table(const std::string& name) {
  std::ifstream in(std::string(CAUSTIX_REFERENCE_DIR) + "/" + name);
  if (!in) throw std::runtime_error("cannot open reference table " + name);
  auto split = [](const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
    return cells;
  };
  std::string line;
  std::getline(in, line);
  const auto header = split(line);
  std::vector<Row> rows;
  while (std::getline(in, line)) {
    const auto cells = split(line);
    Row row;
    for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i) row.cells[header[i]] = cells[i];
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace caustix::testing
