"""The i386 lane's own tests and its cases' verdicts."""
