# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
BENCH_BUILD_DIR ?= build-bench
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS   ?= 300
CMAKE_FLAGS    ?=

SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
                LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: run test bench fuzz deps build build-asan test-plain test-asan format format-check clean install package

# Starts with a copy of the sample project in the build folder, so that saving never
# touches the repository; ARGS=... opens something else.
ARGS ?= $(BUILD_DIR)/Umbau-Kueche.zkt
run: deps build
	[ -f $(BUILD_DIR)/Umbau-Kueche.zkt ] || cp examples/Umbau-Kueche.zkt $(BUILD_DIR)/
	./$(BUILD_DIR)/app/zeitkant $(ARGS)

test: deps format-check test-plain test-asan

deps:
	bash tools/install-deps.sh

build:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

build-asan:
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZK_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR)

test-plain: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD_DIR) --output-on-failure

test-asan: build-asan
	QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD_DIR) --output-on-failure

bench: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_BUILD_BENCH=ON -DZK_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD_DIR)
	for b in $(BENCH_BUILD_DIR)/bench/*_bench; do $$b; done

# The project file reader under libFuzzer (clang), for FUZZ_SECONDS seconds.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DZK_BUILD_FUZZ=ON -DZK_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD_DIR) --target project_file_fuzz
	mkdir -p $(FUZZ_BUILD_DIR)/corpus
	$(SANITIZER_ENV) $(FUZZ_BUILD_DIR)/fuzz/project_file_fuzz -max_total_time=$(FUZZ_SECONDS) \
	      -print_final_stats=1 $(FUZZ_BUILD_DIR)/corpus fuzz/seeds

# Installs into PREFIX (default /usr/local); DESTDIR is honoured.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package (build/zeitkant_<version>_<arch>.deb) of what install puts in place.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

format:
	bash tools/format.sh

format-check:
	bash tools/format.sh --check

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(BENCH_BUILD_DIR) $(FUZZ_BUILD_DIR)
