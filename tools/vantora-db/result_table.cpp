#include "tools/vantora-db/result_table.h"

#include <algorithm>
#include <cstdio>

namespace vantora::db {
namespace {

// Display width in characters of UTF-8 text (continuation bytes do not count).
size_t Width(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

bool LooksNumeric(const std::string& text) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  bool dot = false;
  for (; i < text.size(); ++i) {
    if (text[i] == '.' && !dot) {
      dot = true;
    } else if (text[i] < '0' || text[i] > '9') {
      return false;
    }
  }
  return true;
}

}  // namespace

void ResultTable::Add(std::vector<std::string> row) {
  row.resize(columns_.size());
  rows_.push_back(std::move(row));
}

void ResultTable::SetNumeric(size_t column) {
  if (numeric_.size() < columns_.size()) numeric_.resize(columns_.size(), false);
  if (column < numeric_.size()) numeric_[column] = true;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string ResultTable::Text(OutputFormat format) const {
  auto isNumeric = [&](size_t c) { return c < numeric_.size() && numeric_[c]; };
  std::string out;
  switch (format) {
    case OutputFormat::kCsv:
      for (size_t c = 0; c < columns_.size(); ++c) out += (c ? "," : "") + CsvField(columns_[c]);
      out += "\r\n";
      for (const auto& row : rows_) {
        for (size_t c = 0; c < row.size(); ++c) out += (c ? "," : "") + CsvField(row[c]);
        out += "\r\n";
      }
      return out;
    case OutputFormat::kJson:
      out = "[";
      for (size_t r = 0; r < rows_.size(); ++r) {
        out += r ? ",\n {" : "\n {";
        for (size_t c = 0; c < columns_.size(); ++c) {
          const std::string& v = rows_[r][c];
          out += (c ? ", " : "") + JsonString(columns_[c]) + ": " +
                 (isNumeric(c) && LooksNumeric(v) ? v : JsonString(v));
        }
        out += "}";
      }
      return out + (rows_.empty() ? "]\n" : "\n]\n");
    case OutputFormat::kTable: {
      // Line breaks and tabs would break the columns: they show escaped.
      auto shown = [](const std::string& text) {
        std::string s;
        for (char ch : text) {
          if (ch == '\n') {
            s += "\\n";
          } else if (ch == '\r') {
            s += "\\r";
          } else if (ch == '\t') {
            s += "\\t";
          } else {
            s += ch;
          }
        }
        return s;
      };
      std::vector<std::vector<std::string>> cells;
      for (const auto& row : rows_) {
        std::vector<std::string> r;
        for (const auto& cell : row) r.push_back(shown(cell));
        cells.push_back(std::move(r));
      }
      std::vector<size_t> widths(columns_.size());
      for (size_t c = 0; c < columns_.size(); ++c) widths[c] = Width(columns_[c]);
      for (const auto& row : cells) {
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
      }
      auto line = [&](const std::vector<std::string>& parts) {
        std::string l;
        for (size_t c = 0; c < parts.size(); ++c) {
          const std::string pad(widths[c] - Width(parts[c]), ' ');
          const bool last = c + 1 == parts.size();
          l += isNumeric(c) ? pad + parts[c] : parts[c] + (last ? "" : pad);
          if (!last) l += "  ";
        }
        while (!l.empty() && l.back() == ' ') l.pop_back();
        return l + "\n";
      };
      out += line(columns_);
      std::vector<std::string> rule;
      for (size_t w : widths) rule.push_back(std::string(w, '-'));
      out += line(rule);
      for (const auto& row : cells) out += line(row);
      return out;
    }
  }
  return out;
}

void ResultTable::Write(OutputFormat format, std::FILE* out) const {
  const std::string text = Text(format);
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace vantora::db
