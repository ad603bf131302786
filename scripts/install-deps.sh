#!/usr/bin/env bash
# Installs on Debian what carmaseq needs to build and test, and nothing when all is present.
#   scripts/install-deps.sh          install what is missing
#   scripts/install-deps.sh --check  exit 0 iff nothing is missing
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config make libgtest-dev libgmock-dev libbenchmark-dev
          libxerces-c-dev libxml2-utils locales clang libclang-rt-dev time chromium
          fonts-dejavu-core python3-dev pybind11-dev python3-pandas python3-numpy python3-pytest
          python3-matplotlib python3-tqdm python3-dask python3-distributed)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

# Test locales: de_DE.UTF-8 has a comma as decimal separator (numbers must never follow it);
# de_DE.ISO-8859-1 is a narrow single-byte code page (the UTF-8 writer must transcode from it).
has_locale() { locale -a 2>/dev/null | grep -qi "^$1\$"; }
comma_locale_missing() { ! has_locale 'de_DE\.utf-\?8'; }
latin1_locale_missing() { ! has_locale 'de_DE\.iso-\?8859-\?1'; }

if [[ "${1:-}" == "--check" ]]; then
  [[ ${#missing[@]} -eq 0 ]] && ! comma_locale_missing && ! latin1_locale_missing
  exit $?
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

if [[ ${#missing[@]} -gt 0 ]]; then
  echo "install-deps: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

if comma_locale_missing; then
  echo "install-deps: generating de_DE.UTF-8"
  if [[ -f /etc/locale.gen ]] && grep -q 'de_DE.UTF-8' /etc/locale.gen; then
    "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8/de_DE.UTF-8/' /etc/locale.gen
    "${sudo_cmd[@]}" locale-gen >/dev/null
  else
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
fi

if latin1_locale_missing; then
  echo "install-deps: generating de_DE.ISO-8859-1"
  "${sudo_cmd[@]}" localedef -i de_DE -f ISO-8859-1 de_DE.ISO-8859-1
fi
