"""What a disc's author runs, behind the scripts/ commands."""
