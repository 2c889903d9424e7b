# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the quick start are `make demo` and `make test`; both
# install what is missing (`make demo` only what the build needs, `make test`
# the test tools too), configure and build before they run.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
ARM64_BUILD ?= build-arm64
FUZZ_SECONDS ?= 60
SOAK_MINUTES ?= 30
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
VST2_DIR   ?= $(HOME)/.vst
VST3_DIR   ?= $(HOME)/.vst3
VST3_PRESET_DIR ?= $(HOME)/.vst3/presets
LV2_DIR    ?= $(HOME)/.lv2
BIN_DIR    ?= $(HOME)/.local/bin
SHARE_DIR  ?= $(HOME)/.local/share
DEB_DIR    ?= $(BUILD)/deb

.PHONY: all setup setup-tests configure build demo test test-asan test-tsan soak fuzz bench format \
	clean install uninstall deb test-deb dist cross-arm64 test-arm64

all: build

setup:
	@bash scripts/setup.sh

setup-tests:
	@bash scripts/setup.sh --tests

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target morvane-render morvane_vst2
	$(BUILD)/tools/render/morvane-render --plugin $(BUILD)/Morvane.so --out $(BUILD)/demo/morvane-demo.wav

test: setup-tests build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: setup-tests
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_SANITIZE=ON -DMORVANE_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The tests that run threads against each other (names ending in Concurrency)
# and the validator's automation and state groups, built with ThreadSanitizer;
# only their programs and the module are built.
test-tsan: setup-tests
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_TSAN=ON -DMORVANE_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target processor_tests morvane_vst2 morvane-validate
	TSAN_OPTIONS=halt_on_error=1:abort_on_error=1:second_deadlock_stack=1 \
		$(TSAN_BUILD)/tests/processor/processor_tests --gtest_filter='*Concurrency.*'
	TSAN_OPTIONS=halt_on_error=1:abort_on_error=1:second_deadlock_stack=1 \
		bash tests/support/with-xvfb.sh $(TSAN_BUILD)/tools/validate/morvane-validate \
		--only automation,state

# Every artefact for 64-bit ARM, built with Debian's cross compiler in $(ARM64_BUILD); its own
# set-up adds the arm64 architecture, the cross compiler, qemu and the arm64 libraries.
cross-arm64: setup
	@bash scripts/setup-arm64.sh
	cmake -S . -B $(ARM64_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
		-DMORVANE_NATIVE_BUILD_DIR=$(abspath $(BUILD)) $(CMAKE_ARGS)
	cmake --build $(ARM64_BUILD) -j $(JOBS)

# The cross build's tests under qemu-aarch64 (tests/arm64 says which), with renders compared
# byte for byte with this machine's own build.
test-arm64: cross-arm64 configure
	cmake --build $(BUILD) -j $(JOBS) --target morvane-render morvane_vst2
	ctest --test-dir $(ARM64_BUILD) -L arm64 --output-on-failure -j $(JOBS)

# The validator's long run, not part of CI: SOAK_MINUTES in one instance, then as
# long in 16 instances on threads; it reports the resident size at start and end.
soak: configure
	cmake --build $(BUILD) -j $(JOBS) --target morvane-validate
	$(BUILD)/tools/validate/morvane-validate --soak $(SOAK_MINUTES)

# The stored-state reader under libFuzzer for FUZZ_SECONDS, starting from chunks
# the plug-in writes itself; a crash, a leak or a hang fails the target. The
# corpus it grows is kept in $(FUZZ_BUILD)/corpus for the next run.
fuzz: setup-tests
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	rm -rf $(FUZZ_BUILD)/seeds
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/state_seeds $(FUZZ_BUILD)/seeds
	$(FUZZ_BUILD)/state_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-max_len=65536 -print_final_stats=1 -dict=tests/fuzz/state.dict \
		-artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds

# Every format goes where Linux hosts look for a user's plug-ins, the standalone application
# where the user's own programs live, with its desktop entry, icon and manual page: through the
# install rules into a staging folder, then with the release archive's install.sh, which
# replaces each bundle whole and notes what it installed for `make uninstall`.
install_env = VST2_DIR="$(VST2_DIR)" VST3_DIR="$(VST3_DIR)" VST3_PRESET_DIR="$(VST3_PRESET_DIR)" \
	LV2_DIR="$(LV2_DIR)" BIN_DIR="$(BIN_DIR)" SHARE_DIR="$(SHARE_DIR)"
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target morvane_vst2 Morvane_All
	rm -rf $(BUILD)/user-install
	for part in vst2 vst3 lv2 standalone; do \
		cmake --install $(BUILD) --prefix $(BUILD)/user-install --component $$part > /dev/null || exit 1; \
	done
	$(install_env) bash packaging/dist/install.sh --from $(BUILD)/user-install

uninstall:
	$(install_env) bash packaging/dist/install.sh --uninstall

# The Debian packages (scripts/make-deb.sh), in $(DEB_DIR); test-deb installs them for real,
# checks them from the system's folders and removes them again (as root).
deb: setup-tests
	bash scripts/make-deb.sh $(DEB_DIR) $(JOBS)

test-deb: configure deb
	cmake --build $(BUILD) -j $(JOBS) --target morvane_vst2 morvane-render Morvane_LV2
	bash tests/install/deb_install.sh $(DEB_DIR) $(BUILD)

# The release archive for other distributions, $(BUILD)/morvane-VERSION-linux-ARCH.tar.gz.
dist: configure
	cmake --build $(BUILD) -j $(JOBS) --target dist

# Repetitions in random order, so that a busy spell of the machine falls on all benchmarks alike;
# the table of the material benchmarks follows the report.
bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target morvane_bench
	$(BUILD)/bench/morvane_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
		--benchmark_enable_random_interleaving=true

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(ARM64_BUILD)
