# Release build in build/, sanitizer build in build-sanitize/.
BUILD     ?= build
SANBUILD  ?= build-sanitize
TSANBUILD ?= build-tsan
JOBS      ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-sanitize test-tsan bench rng-suite screenshot install clean format format-check

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVANE_SANITIZE=ON -DBREVANE_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(SANBUILD) -j $(JOBS)
	@cd $(SANBUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) -LE slow
	@scripts/fuzz-smoke.sh

# ThreadSanitizer build of the core, command-line and window tests (the slow ones left out). The
# window-manager tests start helper programs after threads exist; those children exec at once.
# Three progress-line tests run whole commands over millions of rows on a terminal, which takes
# minutes under the sanitizer; the short one, which also draws and erases the line, stays.
# The MPI tests are left out: mpirun's launcher and Open MPI's progress threads do not run
# under ThreadSanitizer (brevane-mpi's own threads are those that test --streams runs).
test-tsan: deps
	@cmake -S . -B $(TSANBUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVANE_TSAN=ON -DBREVANE_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(TSANBUILD) -j $(JOBS)
	@cd $(TSANBUILD) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -LE slow \
	    -E 'ProgressLine\.(EveryLongCommand|QuietShows|StandardErrorThatIsNoTerminal)|MpiCli\.'

bench: build
	@scripts/bench.sh $(BUILD)

# dieharder's whole battery on a fresh keystream; not part of `test`, it takes hours.
rng-suite: build
	@scripts/rng-suite.sh $(BUILD)

screenshot: build
	@scripts/screenshot.sh $(BUILD)

install: build
	@cmake --install $(BUILD)

format-check: deps
	@scripts/format-check.sh

format:
	@clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')

clean:
	@rm -rf $(BUILD) $(SANBUILD) $(TSANBUILD)
