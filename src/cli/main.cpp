#include <iostream>
#include <string>
#include <vector>

#include "chart_tool.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return dipsheet::cli::runChartTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                       std::cerr);
}
