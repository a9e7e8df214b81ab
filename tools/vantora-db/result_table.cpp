#include "tools/vantora-db/result_table.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

namespace vantora::db {
namespace {

// Display width in characters of UTF-8 text (continuation bytes do not count).
size_t Width(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// Line breaks and tabs would break the columns: they show escaped.
std::string Shown(const std::string& text) {
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
}

}  // namespace

void ResultTable::Add(std::vector<std::string> row) {
  std::vector<Value> values(row.begin(), row.end());
  AddValues(std::move(values));
}

void ResultTable::AddValues(std::vector<Value> row) {
  row.resize(columns_.size(), std::string());
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
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string JsonNumber(const std::string& text) {
  // sign, integer digits without leading zeros, fraction, exponent
  size_t i = 0;
  std::string out;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++] == '-' ? "-" : "";
  const size_t digits = i;
  while (i < text.size() && text[i] == '0') ++i;
  std::string integer;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) integer += text[i++];
  const bool hadDigits = i > digits;
  out += integer.empty() ? "0" : integer;
  if (i < text.size() && text[i] == '.') {
    ++i;
    std::string fraction;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      fraction += text[i++];
    }
    if (!hadDigits && fraction.empty()) return "";
    if (!fraction.empty()) out += "." + fraction;
  } else if (!hadDigits) {
    return "";
  }
  out += text.substr(i);  // an exponent, checked below
  return nlohmann::json::accept(out) ? out : "";
}

std::string ResultTable::Text(OutputFormat format) const {
  std::string out;
  switch (format) {
    case OutputFormat::kCsv:
      for (size_t c = 0; c < columns_.size(); ++c) out += (c ? "," : "") + CsvField(columns_[c]);
      out += "\r\n";
      for (const auto& row : rows_) {
        for (size_t c = 0; c < row.size(); ++c) {
          out += (c ? "," : "") + CsvField(row[c].value_or(""));
        }
        out += "\r\n";
      }
      return out;
    case OutputFormat::kJson: {
      // Names and texts are escaped by the JSON library; numbers are written
      // as the engine's decimal text, so that no digit of a packed decimal
      // is rounded through a binary float.
      auto jsonValue = [&](size_t c, const Value& v) {
        if (!v) return std::string("null");
        if (IsNumeric(c)) {
          if (std::string number = JsonNumber(*v); !number.empty()) return number;
        }
        return JsonString(*v);
      };
      std::string names;
      for (size_t c = 0; c < columns_.size(); ++c)
        names += (c ? ", " : "") + JsonString(columns_[c]);
      out = "{\"columns\": [" + names + "], \"rows\": [";
      for (size_t r = 0; r < rows_.size(); ++r) {
        out += r ? ", {" : "{";
        for (size_t c = 0; c < columns_.size(); ++c) {
          out += (c ? ", " : "") + JsonString(columns_[c]) + ": " + jsonValue(c, rows_[r][c]);
        }
        out += "}";
      }
      out += "]";
      if (more_) out += ", \"more\": true";
      return out + "}";
    }
    case OutputFormat::kTable: {
      std::vector<std::vector<std::string>> cells;
      cells.reserve(rows_.size());
      for (const auto& row : rows_) {
        std::vector<std::string> r;
        r.reserve(row.size());
        for (const auto& cell : row) r.push_back(Shown(cell.value_or("")));
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
          l += IsNumeric(c) ? pad + parts[c] : parts[c] + (last ? "" : pad);
          if (!last) l += "  ";
        }
        while (!l.empty() && l.back() == ' ') l.pop_back();
        return l + "\n";
      };
      out += line(columns_);
      std::vector<std::string> rule;
      rule.reserve(widths.size());
      for (size_t w : widths) rule.push_back(std::string(w, '-'));
      out += line(rule);
      for (const auto& row : cells) out += line(row);
      return out;
    }
  }
  return out;
}

}  // namespace vantora::db
