#pragma once
// The named fields of a Setup record, for showing as JSON and for setting from
// FIELD=VALUE text.
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/Setup.h"

namespace th::settings {

// Objects keep their members in file order.
using Json = nlohmann::ordered_json;

struct FieldDef {
  std::string record;  // "DeviceSet", ... or "" for the last field
  std::string name;    // "DeviceName", ...
  std::function<Json(const Setup&)> show;
  // Stores the value; an error text (record unchanged) when it does not fit.
  std::function<std::optional<std::string>(Setup&, const std::string&)> set;

  std::string fullName() const { return record.empty() ? name : record + "." + name; }
};

// Every named field in file order; padding is left out.
const std::vector<FieldDef>& Fields();
const FieldDef* FindField(const std::string& fullName);

// The record as {"DeviceSet": {"TreeLevel": 0, ...}, ..., "_Q9RSetPath": ""}.
Json RecordToJson(const Setup& s);

// A record number as the command line gives it: one to three digits, 0 to 254.
bool ParseRecordNumber(const std::string& text, int& n);

// Sets FIELD=VALUE assignments on the record, in order. The first one that is
// not of that form, names no field or does not fit stops them and gives its
// message; the record then holds the ones before it, so the caller must not
// store it.
std::optional<std::string> ApplyAssignments(Setup& record,
                                            std::span<const std::string> assignments);

}  // namespace th::settings
