# Entry points for a fresh Debian 12 machine:
#   make demo   builds everything and converts a bundled sample
#   make test   builds everything and runs every test
# Both install the Debian packages they need when they are missing (as root,
# or through sudo when it is there).

PRESET ?= release
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc)
# WERROR=ON makes compiler warnings errors (CI builds that way).
WERROR ?= OFF

# help2man makes the tool's man page (the build skips it, with a message, without).
DEB_PACKAGES := cmake ninja-build g++ pkg-config libpugixml-dev libgtest-dev \
                libbenchmark-dev libcli11-dev nlohmann-json3-dev locales help2man man-db

.PHONY: all deps locale build test asan-test demo clean format-check

all: build

deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

# The German locale lets the tests prove that numbers do not follow the
# process locale.
locale: deps
	@if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$$'; then \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi; \
	  $$SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "warning: could not generate de_DE.UTF-8"; \
	fi

build: deps
	cmake --preset $(PRESET) -DCOMPOUNDPARSER_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: locale build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

asan-test: locale
	$(MAKE) test PRESET=asan

clean:
	rm -rf build

# Fails when a C++ file of the tree differs from what clang-format makes of it.
format-check:
	@command -v clang-format >/dev/null || { echo "format-check needs clang-format (Debian package clang-format)"; exit 1; }
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# A short tour on the bundled samples: list the formats, coordinates from a raw job, import, export,
# convert, and show that the result matches the sample byte for byte.
DEMO_DIR := $(BUILD_DIR)/demo
TOOL := $(BUILD_DIR)/bin/compoundparser
DEMO_TOOL := $(TOOL) --user-folder $(DEMO_DIR)/user

demo: deps build
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	@echo "== The formats the tool knows (bundled Formats folder):"
	$(DEMO_TOOL) formats
	@echo
	@echo "== The surveyor's task: coordinates from a total station's raw job (Carlson RW5):"
	$(DEMO_TOOL) convert --from "Carlson RW5" --to "PNEZD comma" examples/survey-job.rw5 -o $(DEMO_DIR)/survey-points.csv
	@cat $(DEMO_DIR)/survey-points.csv
	@echo
	@echo "== Import the comma delimited sample into an instrument data document:"
	$(DEMO_TOOL) import -f "Comma Delimited Points" examples/points-comma.csv -o $(DEMO_DIR)/points.xml
	@head -n 20 $(DEMO_DIR)/points.xml; echo "   ..."
	@echo
	@echo "== Export the document as a tab delimited file:"
	$(DEMO_TOOL) export -f "Tab Delimited Points" $(DEMO_DIR)/points.xml -o $(DEMO_DIR)/points.txt
	@cat $(DEMO_DIR)/points.txt
	@echo
	@echo "== Convert comma to space delimited in one run, then back again:"
	$(DEMO_TOOL) convert --from "Comma Delimited Points" --to "Space Delimited Points" examples/points-comma.csv -o $(DEMO_DIR)/points-space.txt
	$(DEMO_TOOL) convert --from "Space Delimited Points" --to "Comma Delimited Points" $(DEMO_DIR)/points-space.txt -o $(DEMO_DIR)/points-back.csv
	@cmp $(DEMO_DIR)/points-back.csv examples/points-comma.csv && echo "The round trip gave back examples/points-comma.csv byte for byte."
	@echo
	@echo "Demo done. The tool is $(TOOL); its outputs are in $(DEMO_DIR)."
