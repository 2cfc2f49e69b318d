#!/usr/bin/env bash
# Every ready file under dist/prometheus as Prometheus's and Alertmanager's own tools read it: the
# rules checked and their unit tests run (all of rules/ and tests/, whoever added them), the scrape
# configurations and the Alertmanager example checked.
# Usage: PrometheusFiles.sh DIST_PROMETHEUS_FOLDER
set -euo pipefail
for tool in promtool:prometheus amtool:prometheus-alertmanager; do
    command -v "${tool%%:*}" >/dev/null ||
        { echo "${tool%%:*} is missing: install the Debian package ${tool#*:} (scripts/setup.sh does)"; exit 1; }
done
cd "$1"
promtool check rules rules/*.yml
promtool test rules tests/*.yml
promtool check config prometheus-*.yml
for file in alertmanager*.yml; do amtool check-config "$file"; done
