# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The Homebrew formula (macOS and Linux). The @...@ fields are filled by
# scripts/release.sh into dist/packaging/homebrew/patrulha.rb.
class Patrulha < Formula
  desc "Shooting game for the text terminal"
  homepage "@HOMEPAGE@"
  url "@DOWNLOAD@/patrulha-@VERSION@.tar.gz"
  sha256 "@SHA256_TARBALL@"
  license "MIT"

  depends_on "cmake" => :build
  # macOS's own ncurses has no wide-character library.
  depends_on "ncurses"

  on_linux do
    depends_on "alsa-lib"
  end

  def install
    system "cmake", "-S", ".", "-B", "build", "-DPATRULHA_TESTS=OFF",
           "-DCMAKE_PREFIX_PATH=#{Formula["ncurses"].opt_prefix}", *std_cmake_args
    system "cmake", "--build", "build"
    system "cmake", "--install", "build"
  end

  test do
    assert_equal "patrulha #{version}", shell_output("#{bin}/patrulha --version").strip
    assert_predicate man6/"patrulha.6", :exist?
  end
end
