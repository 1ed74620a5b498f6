# Two entry points for a fresh Debian machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test sanitize-test format-check install uninstall package clean

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/velmarik

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The suite again with AddressSanitizer and UndefinedBehaviorSanitizer, in a
# build folder of its own, without the benchmarks and the install test; any
# report stops its test and fails it. Leaks are not reported: Qt and
# fontconfig keep their caches until the process ends.
SANITIZE_BUILD ?= build-sanitize
sanitize-test: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVELMARIK_SANITIZE=ON -DVELMARIK_BENCHMARKS=OFF >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 \
		UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --output-on-failure -j$(JOBS) -E '^tst_install$$'

format-check:
	@tools/check-format.sh

# Into /usr/local unless PREFIX says otherwise; DESTDIR is honoured.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	cmake --build $(BUILD) --target uninstall

package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD)
