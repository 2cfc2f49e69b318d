// A metrics exposition as the tests of the health server and of the real program read it: one
// sample's value, and Prometheus's own checker on the whole text.
#pragma once

#include <optional>
#include <string>

// The value of the sample written exactly as name (with its labels, if any); nothing when it is absent.
std::optional<double> Sample(const std::string& exposition, const std::string& name);
// What `promtool check metrics` says against the exposition; empty when it passes.
std::string PromtoolComplaint(const std::string& exposition);
